#include <windows.h>

#include <tlhelp32.h>

#include "child_process.hpp"
#include "command_line_win.hpp"

namespace orvane_cli::platform {
namespace {

std::string LastErrorText() { return "system error " + std::to_string(::GetLastError()); }

class WindowsChild final : public HeldChild {
public:
    explicit WindowsChild(const PROCESS_INFORMATION& info) : info_(info) {}
    ~WindowsChild() override {
        // Unreleased: the command never ran any of its own code.
        if (!released_) ::TerminateProcess(info_.hProcess, 127);
        ::CloseHandle(info_.hThread);
        ::CloseHandle(info_.hProcess);
    }

    uint32_t ProcessId() const override { return info_.dwProcessId; }

    bool Release(std::string& error) override {
        if (::ResumeThread(info_.hThread) == static_cast<DWORD>(-1)) {
            error = "cannot resume the command: " + LastErrorText();
            return false;
        }
        released_ = true;
        return true;
    }

    int Wait() override {
        // The console sends Ctrl+C to the command as well; it alone decides.
        ::SetConsoleCtrlHandler(nullptr, TRUE);
        ::WaitForSingleObject(info_.hProcess, INFINITE);
        DWORD code = 127;
        ::GetExitCodeProcess(info_.hProcess, &code);
        return static_cast<int>(code);
    }

private:
    PROCESS_INFORMATION info_;
    bool released_ = false;
};

}  // namespace

std::unique_ptr<HeldChild> HeldChild::Start(const std::vector<std::string>& argv, std::string& error) {
    if (argv.empty()) {
        error = "no command to run";
        return nullptr;
    }
    std::wstring commandLine = CommandLineOf(argv);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                         nullptr, &startup, &info) == 0) {
        error = "cannot run " + argv[0] + ": " + LastErrorText();
        return nullptr;
    }
    return std::make_unique<WindowsChild>(info);
}

uint32_t ParentProcessId() {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    uint32_t parent = 0;
    const DWORD self = ::GetCurrentProcessId();
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more; more = ::Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self) {
            parent = entry.th32ParentProcessID;
            break;
        }
    }
    ::CloseHandle(snapshot);
    return parent;
}

uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

}  // namespace orvane_cli::platform
