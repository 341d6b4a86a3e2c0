#include <windows.h>

#include <atomic>

#include "core/platform/process_end.hpp"

namespace {

// Set by the detach that the process's termination brings, before the C
// runtime runs the library's static destructors (it calls DllMain first).
std::atomic<bool> processTerminating{false};

}  // namespace

// The system passes a non-null `reserved` to the detach when the process
// terminates, and null when FreeLibrary unloads the library.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved != nullptr) {
        processTerminating.store(true, std::memory_order_release);
    }
    return TRUE;
}

namespace orvane::platform {

// ExitProcess ends every other thread before the libraries' detach runs; a
// thread it ended inside an export never leaves it, and nothing runs it again.
std::chrono::milliseconds ExportDrainLimit() noexcept { return std::chrono::milliseconds(0); }

bool OtherThreadsEnded() noexcept { return processTerminating.load(std::memory_order_acquire); }

}  // namespace orvane::platform
