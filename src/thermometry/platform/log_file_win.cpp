#include <windows.h>

#include "thermometry/platform/log_file.hpp"

namespace orvane::thermometry::platform {

const char* LogFilePath() noexcept { return "d:\\~log.txt"; }

// Drive D is the operator's to secure, and a path needs no folder kept open: the
// file is opened by its whole path for every append.
const char* LogFile::FileNameWithin(const char* path) noexcept { return path; }

LogFile::~LogFile() = default;

bool LogFile::Append(std::span<const std::string_view> lines) noexcept {
    if (name_ == nullptr) return false;
    for (const std::string_view line : lines) {
        if (line.size() > MAXDWORD) return false;
    }
    // Append-only access makes every write land at the current end of the file,
    // also when other processes or threads append at the same time; full sharing
    // lets other programs read, rename and delete the file while it is open.
    HANDLE file =
        ::CreateFileA(path_, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool written = true;
    for (const std::string_view line : lines) {
        DWORD size = 0;
        if (::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &size, nullptr) == FALSE ||
            size != line.size()) {
            written = false;
            break;
        }
    }
    ::CloseHandle(file);
    return written;
}

}  // namespace orvane::thermometry::platform
