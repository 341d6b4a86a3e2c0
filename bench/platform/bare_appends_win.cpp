#include <windows.h>

#include "bare_appends.hpp"

namespace bench {
namespace {

HANDLE OpenForAppending(const char* path) {
    return ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void Write(HANDLE file, std::string_view bytes) {
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void OpenAppendClose(const char* path, std::string_view bytes) {
    const HANDLE file = OpenForAppending(path);
    if (file == INVALID_HANDLE_VALUE) return;
    Write(file, bytes);
    ::CloseHandle(file);
}

void OpenAppendLinesClose(const char* path, std::string_view first, std::string_view second) {
    const HANDLE file = OpenForAppending(path);
    if (file == INVALID_HANDLE_VALUE) return;
    Write(file, first);
    Write(file, second);
    ::CloseHandle(file);
}

}  // namespace bench
