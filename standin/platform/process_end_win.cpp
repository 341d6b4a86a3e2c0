#include <windows.h>

#include "process_end.hpp"

extern "C" BOOLEAN NTAPI RtlDllShutdownInProgress(void);

namespace standin::platform {

// True from the moment the system has ended the other threads and begun
// detaching the libraries; not during FreeLibrary.
bool processEnding() { return RtlDllShutdownInProgress() != FALSE; }

void appendAtProcessEnd(const char* path, const char* data, std::size_t size) {
    const HANDLE file =
        ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr);
    ::CloseHandle(file);
}

bool mayJoinThreadsInUnload() { return false; }

}  // namespace standin::platform
