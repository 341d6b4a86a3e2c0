#include <windows.h>

#include "thermometry/platform/log_file.hpp"

namespace orvane::thermometry::platform {

const char* LogFilePath() noexcept { return "d:\\~log.txt"; }

bool AppendToFile(const char* path, const char* data, std::size_t size) noexcept {
    if (path == nullptr || (data == nullptr && size != 0) || size > MAXDWORD) return false;
    // Append-only access makes every write land at the current end of the file,
    // also when other processes or threads append at the same time.
    HANDLE file =
        ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
    ::CloseHandle(file);
    return ok != FALSE && written == size;
}

}  // namespace orvane::thermometry::platform
