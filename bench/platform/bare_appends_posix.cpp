#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include "bare_appends.hpp"

namespace bench {
namespace {

int OpenForAppending(const char* path) {
    return ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
}

}  // namespace

void OpenAppendClose(const char* path, std::string_view bytes) {
    const int file = OpenForAppending(path);
    if (file < 0) return;
    [[maybe_unused]] const ssize_t written = ::write(file, bytes.data(), bytes.size());
    ::close(file);
}

void OpenAppendLinesClose(const char* path, std::string_view first, std::string_view second) {
    const int file = OpenForAppending(path);
    if (file < 0) return;
    const iovec lines[] = {{const_cast<char*>(first.data()), first.size()},
                           {const_cast<char*>(second.data()), second.size()}};
    [[maybe_unused]] const ssize_t written = ::writev(file, lines, 2);
    ::close(file);
}

}  // namespace bench
