#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>

#include "thermometry/platform/log_file.hpp"

namespace orvane::thermometry::platform {

// There are no drive letters: this folder stands for drive D. The library never
// creates it; while it is missing, log lines are lost as they are without a drive D.
// /tmp is shared by every local user, so the folder is used only when it is the
// host user's own (see OpenOwnFolder): one made by anyone else is refused, which can
// silence the log but never redirect it.
const char* LogFilePath() noexcept { return "/tmp/orvane-drive-d/~log.txt"; }

namespace {

// Where a log file is created: owner read and write, others read (less whatever the
// umask takes away). The lines hold no secrets, and who may read them is decided by
// the folder, which the operator makes and may close to others.
constexpr mode_t kLogFileMode = 0644;

template <typename Call>
int Retrying(Call call) noexcept {
    int result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

class Descriptor {
public:
    explicit Descriptor(int value) noexcept : value_(value) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (value_ >= 0) ::close(value_);
    }
    int get() const noexcept { return value_; }
    bool valid() const noexcept { return value_ >= 0; }

private:
    int value_;
};

// The folder that holds the log, opened without following a link in its place, and
// only when the process's own user owns it and no other user may write it: nobody
// else can then put a link, a FIFO or a foreign file where the log goes. O_PATH: the
// descriptor only anchors the openat and the fstat, so the folder need not be
// readable, and the open is cheaper.
int OpenOwnFolder(const char* folder) noexcept {
    const int descriptor =
        Retrying([&] { return ::open(folder, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); });
    if (descriptor < 0) return -1;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() ||
        (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

}  // namespace

bool AppendToFile(const char* path, const char* data, std::size_t size) noexcept {
    if (path == nullptr || (data == nullptr && size != 0)) return false;
    // The folder part of the path, copied so that it can end with a zero byte.
    char folder[PATH_MAX];
    const std::size_t length = std::strlen(path);
    const char* slash = std::strrchr(path, '/');
    if (length >= sizeof folder) return false;
    const char* name = slash == nullptr ? path : slash + 1;
    if (*name == '\0') return false;
    if (slash == nullptr) {
        std::strcpy(folder, ".");
    } else {
        const std::size_t folderLength = slash == path ? 1 : static_cast<std::size_t>(slash - path);
        std::memcpy(folder, path, folderLength);
        folder[folderLength] = '\0';
    }

    const Descriptor folderDescriptor(OpenOwnFolder(folder));
    if (!folderDescriptor.valid()) return false;
    // Never through a link; never blocking, so a FIFO without a reader fails at once
    // (ENXIO) instead of stalling the SDK's thread.
    const Descriptor file(Retrying([&] {
        return ::openat(folderDescriptor.get(), name,
                        O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kLogFileMode);
    }));
    if (!file.valid()) return false;
    // Only a regular file takes the line: a FIFO with a reader or a device would
    // otherwise pass it on.
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    ssize_t written;
    do {
        written = ::write(file.get(), data, size);
    } while (written < 0 && errno == EINTR);
    return written >= 0 && static_cast<std::size_t>(written) == size;
}

}  // namespace orvane::thermometry::platform
