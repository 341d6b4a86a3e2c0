#include <windows.h>
#include <winternl.h>

#include <cstring>

#include "process_end.hpp"

extern "C" BOOLEAN NTAPI RtlDllShutdownInProgress(void);
extern "C" PPEB NTAPI RtlGetCurrentPeb(void);

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

namespace {

// Whether this thread holds the loader lock, which the process environment block
// points to (the field at offset 0xA0 of a 32-bit process's block, 0x110 of a
// 64-bit one's; the system's headers leave the field unnamed). Wine keeps the
// lock there as Windows does.
bool holdsLoaderLock() {
    constexpr std::size_t kLoaderLockOffset = sizeof(void*) == 4 ? 0xA0 : 0x110;
    const auto* block = reinterpret_cast<const unsigned char*>(RtlGetCurrentPeb());
    const RTL_CRITICAL_SECTION* lock = nullptr;
    std::memcpy(&lock, block + kLoaderLockOffset, sizeof lock);
    return lock != nullptr &&
           reinterpret_cast<ULONG_PTR>(lock->OwningThread) == static_cast<ULONG_PTR>(::GetCurrentThreadId());
}

}  // namespace

bool mayJoinThreadsHere() { return !processEnding() && !holdsLoaderLock(); }

void keepCodeForDetachedThread() {
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(&keepCodeForDetachedThread), &self);
}

}  // namespace standin::platform
