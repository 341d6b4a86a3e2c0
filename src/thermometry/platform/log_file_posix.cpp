#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "core/platform/retry_eintr.hpp"
#include "thermometry/platform/log_file.hpp"

namespace orvane::thermometry::platform {

// There are no drive letters: this folder stands for drive D. The library never
// creates it; while it is missing, log lines are lost as they are without a drive D.
// /tmp is shared by every local user, so the folder is used only when it is the
// host user's own (see OpenCheckedFolder): one made by anyone else is refused, which
// can silence the log but never redirect it.
const char* LogFilePath() noexcept { return "/tmp/orvane-drive-d/~log.txt"; }

namespace {

// Where a log file is created: owner read and write, others read (less whatever the
// umask takes away). The lines hold no secrets, and who may read them is decided by
// the folder, which the operator makes and may close to others.
constexpr mode_t kLogFileMode = 0644;

using orvane::platform::RetryOnEintr;

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

// Which folder a descriptor leads to.
struct FolderIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FolderIdentity&) const = default;
};

FolderIdentity IdentityOf(const struct stat& status) noexcept {
    return FolderIdentity{static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

// The folder of `path` (everything before `name`), opened without following a link
// in its place, and only when the process's own user owns it and no other user may
// write it: nobody else can then put a link, a FIFO or a foreign file where the log
// goes. O_PATH: the descriptor only anchors the openat and the fstat, so the folder
// need not be readable, and the open is cheaper. O_CLOEXEC: a program the host
// starts never inherits it; a forked child shares it, which is harmless.
int OpenCheckedFolder(const char* path, const char* name, FolderIdentity& identity) noexcept {
    char folder[LogFile::kPathCapacity];
    if (name == path) {
        std::strcpy(folder, ".");
    } else {
        const std::size_t length = name - 1 == path ? 1 : static_cast<std::size_t>(name - 1 - path);
        std::memcpy(folder, path, length);
        folder[length] = '\0';
    }
    const int descriptor =
        RetryOnEintr([&] { return ::open(folder, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC); });
    if (descriptor < 0) return -1;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() ||
        (status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        ::close(descriptor);
        return -1;
    }
    identity = IdentityOf(status);
    return descriptor;
}

// Whether the open file is a regular file, and whether it has been removed from its
// folder (no link left) since it was opened. statx asked for the type and the link
// count only costs well under half of a full fstat on a file just opened; fstat
// stands in where statx is missing or refused.
bool IsRegularFile(int file, bool& removed) noexcept {
    struct statx status {};
    if (::statx(file, "", AT_EMPTY_PATH | AT_STATX_DONT_SYNC, STATX_TYPE | STATX_NLINK, &status) == 0 &&
        (status.stx_mask & (STATX_TYPE | STATX_NLINK)) == (STATX_TYPE | STATX_NLINK)) {
        removed = status.stx_nlink == 0;
        return S_ISREG(status.stx_mode);
    }
    struct stat fallback {};
    if (::fstat(file, &fallback) != 0) return false;
    removed = fallback.st_nlink == 0;
    return S_ISREG(fallback.st_mode);
}

// The lines in one write: the kernel appends the whole of one write to a
// regular file in one step, so the lines of simultaneous callers never
// interleave (not even between the lines of one call), and an event costs one
// system call less than a write per line. Never more than a few lines come at
// once; more would go in further writes of as many.
bool WriteWhole(int file, std::span<const std::string_view> lines) noexcept {
    constexpr std::size_t kMostPerWrite = 8;
    while (!lines.empty()) {
        iovec pieces[kMostPerWrite];
        const std::size_t count = lines.size() < kMostPerWrite ? lines.size() : kMostPerWrite;
        std::size_t size = 0;
        for (std::size_t i = 0; i < count; ++i) {
            pieces[i] = iovec{const_cast<char*>(lines[i].data()), lines[i].size()};
            size += lines[i].size();
        }
        const ssize_t written = RetryOnEintr(::writev, file, pieces, static_cast<int>(count));
        if (written < 0 || static_cast<std::size_t>(written) != size) return false;
        lines = lines.subspan(count);
    }
    return true;
}

}  // namespace

const char* LogFile::FileNameWithin(const char* path) noexcept {
    const char* slash = std::strrchr(path, '/');
    const char* name = slash == nullptr ? path : slash + 1;
    return *name != '\0' ? name : nullptr;
}

namespace {

// Whether the descriptor leads to the folder. fstat costs a system call: asked
// once per check of the kept folder (at most once a second), never per line.
bool LeadsTo(int descriptor, const FolderIdentity& folder) noexcept {
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode) && IdentityOf(status) == folder;
}

FolderIdentity Remembered(const std::atomic<uint64_t>& device, const std::atomic<uint64_t>& inode) noexcept {
    return FolderIdentity{device.load(std::memory_order_relaxed), inode.load(std::memory_order_relaxed)};
}

// How long a checked folder is used before it is opened and checked afresh by its
// path: a folder its owner renamed, replaced or opened to others is then left
// within this time, at the cost of one folder opening per interval.
constexpr int64_t kRecheckMilliseconds = 1000;

// How often a thread yields to another thread's refresh before it goes on with
// the folder kept as it is.
constexpr int kMostRefreshWaits = 1000;

int64_t NowMilliseconds() noexcept {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

// The kept folder's number stays this object's while the object lives: a folder
// opened afresh is moved onto the same number (dup3), which the kernel does in one
// step. A thread that read the number a moment before therefore reaches either the
// old folder or the new one, never a descriptor that was closed and handed to
// something else, and appends need no lock.
//
// Only the host can take the number away: a host that closes every descriptor it
// did not open itself (as daemons do) and then opens a file of its own may get the
// number back. Before a fresh folder is moved onto it, the number is therefore
// checked to still lead to the folder last moved there (device and inode); when it
// does not, the number is the host's and is left alone, and the fresh descriptor
// is kept under its own number instead. Between two checks, a number that leads
// nowhere or to something other than a folder is noticed at the next append, which
// checks at once.
//
// The check and the move must not interleave with another thread's (a folder
// replaced in between would look like the host's), so refreshes take turns. The
// turn holds the refreshing process's ID rather than a lock: a child forked while
// a thread of its parent refreshed takes the turn over instead of waiting for a
// thread it does not have.
LogFile::~LogFile() {
    const int kept = kept_.load(std::memory_order_acquire);
    if (kept >= 0 && LeadsTo(kept, Remembered(keptDevice_, keptInode_))) ::close(kept);
}

int LogFile::RefreshFolder() noexcept {
    const int self = static_cast<int>(::getpid());
    for (int waits = 0;; ++waits) {
        int holder = 0;
        if (refreshing_.compare_exchange_strong(holder, self, std::memory_order_acquire)) break;
        if (holder != self && refreshing_.compare_exchange_strong(holder, self, std::memory_order_acquire))
            break;
        if (waits == kMostRefreshWaits) return kept_.load(std::memory_order_acquire);
        ::sched_yield();
    }
    const int kept = RefreshFolderInTurn();
    refreshing_.store(0, std::memory_order_release);
    return kept;
}

// Opens and checks the folder by its path and makes it the kept one; -1 (and the
// next append tries again) when no usable folder is there.
int LogFile::RefreshFolderInTurn() noexcept {
    const int64_t now = NowMilliseconds();
    FolderIdentity fresh;
    const int opened = OpenCheckedFolder(path_, name_, fresh);
    if (opened < 0) {
        checkedUntil_.store(0, std::memory_order_relaxed);
        return -1;
    }
    int kept = kept_.load(std::memory_order_acquire);
    if (opened == kept) {
        // The host closed the kept number, and the fresh opening took it: the
        // folder is in place already (moving it onto itself would fail).
    } else if (kept >= 0 && LeadsTo(kept, Remembered(keptDevice_, keptInode_))) {
        const bool moved = RetryOnEintr(::dup3, opened, kept, O_CLOEXEC) == kept;
        ::close(opened);
        if (!moved) return -1;
    } else {
        // Nothing kept yet, or the number is the host's now.
        kept = opened;
        kept_.store(kept, std::memory_order_release);
    }
    keptDevice_.store(fresh.device, std::memory_order_relaxed);
    keptInode_.store(fresh.inode, std::memory_order_relaxed);
    checkedUntil_.store(now + kRecheckMilliseconds, std::memory_order_relaxed);
    return kept;
}

bool LogFile::Append(std::span<const std::string_view> lines) noexcept {
    if (name_ == nullptr) return false;
    int folder = kept_.load(std::memory_order_acquire);
    if (folder < 0 || NowMilliseconds() >= checkedUntil_.load(std::memory_order_relaxed)) {
        folder = RefreshFolder();
        if (folder < 0) return false;
    }
    // A second try when the first finds the folder removed (opened again by its
    // path, so a folder made anew is used) or the file deleted between its opening
    // and its check (a new one is created).
    for (int attempt = 0;; ++attempt) {
        const bool lastTry = attempt == 1;
        // Never through a link; never blocking, so a FIFO without a reader fails at
        // once (ENXIO) instead of stalling the SDK's thread.
        const Descriptor file(RetryOnEintr([&] {
            return ::openat(folder, name_,
                            O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                            kLogFileMode);
        }));
        if (!file.valid()) {
            // ENOENT despite O_CREAT: the kept folder was removed. EBADF or ENOTDIR:
            // the host closed the kept number, or opened something else on it.
            const bool folderGone = errno == ENOENT || errno == EBADF || errno == ENOTDIR;
            if (!folderGone || lastTry || (folder = RefreshFolder()) < 0) return false;
            continue;
        }
        // Only a regular file takes the lines: a FIFO with a reader or a device would
        // otherwise pass them on.
        bool removed = false;
        if (!IsRegularFile(file.get(), removed)) return false;
        if (removed && !lastTry) continue;
        return WriteWhole(file.get(), lines);
    }
}

}  // namespace orvane::thermometry::platform
