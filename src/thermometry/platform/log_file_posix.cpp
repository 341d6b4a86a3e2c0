#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

#include "thermometry/platform/log_file.hpp"

namespace orvane::thermometry::platform {

// There are no drive letters: this folder stands for drive D. The library never
// creates it; while it is missing, log lines are lost as they are without a drive D.
const char* LogFilePath() noexcept { return "/tmp/orvane-drive-d/~log.txt"; }

bool AppendToFile(const char* path, const char* data, std::size_t size) noexcept {
    if (path == nullptr || (data == nullptr && size != 0)) return false;
    int descriptor;
    do {
        descriptor = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) return false;
    ssize_t written;
    do {
        written = ::write(descriptor, data, size);
    } while (written < 0 && errno == EINTR);
    ::close(descriptor);
    return written >= 0 && static_cast<std::size_t>(written) == size;
}

}  // namespace orvane::thermometry::platform
