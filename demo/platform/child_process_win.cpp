#include <windows.h>

#include <string>

#include "child_process.hpp"

namespace demo {
namespace {

HANDLE ToWin(std::uintptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The child program is built beside the demo.
std::wstring ChildCommandLine() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring program(path, length);
    return L"\"" + program.substr(0, program.rfind(L'\\') + 1) + L"orvane_demo_child.exe\"";
}

}  // namespace

bool StartChild(ChildProcess& child) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring line = ChildCommandLine();
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        return false;
    }
    ::CloseHandle(info.hThread);
    child.id = info.dwProcessId;
    child.handle = reinterpret_cast<std::uintptr_t>(info.hProcess);
    return true;
}

void EndChild(ChildProcess& child) {
    if (child.handle == 0) return;
    ::TerminateProcess(ToWin(child.handle), 0);
    ::WaitForSingleObject(ToWin(child.handle), 10000);
    ::CloseHandle(ToWin(child.handle));
    child = ChildProcess{};
}

}  // namespace demo
