// Closes the console under a program the way Windows does, for tests under
// wine, which cannot: its GenerateConsoleCtrlEvent takes only Ctrl+C and
// Ctrl+Break, and a console window it closes ends the program without calling
// its handlers. Windows runs the handlers on a thread it starts in the program
// at kernelbase's CtrlRoutine, and ends the program as soon as they return, or
// 5 s after the close.
//
//     orvane_console_close PROGRAM [ARGUMENT...]
//
// Starts PROGRAM with this process's standard output and error (and no input),
// closes its console once a line arrives on standard input, and says on
// standard error how the program answered.
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

// This process's command line after its own name, as it was given.
std::wstring CommandAfterOwnName() {
    const wchar_t* rest = ::GetCommandLineW();
    for (bool quoted = false; *rest != L'\0' && (quoted || (*rest != L' ' && *rest != L'\t')); ++rest) {
        if (*rest == L'"') quoted = !quoted;
    }
    while (*rest == L' ' || *rest == L'\t') ++rest;
    return rest;
}

int Failed(const char* what) {
    std::fprintf(stderr, "console_close: %s failed: error %lu\n", what, ::GetLastError());
    return 2;
}

}  // namespace

int main() {
    std::wstring command = CommandAfterOwnName();
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::CreateFileW(L"NUL", GENERIC_READ, 0, &inheritable, OPEN_EXISTING, 0, nullptr);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION program{};
    if (command.empty() || ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                            nullptr, &startup, &program) == 0) {
        return Failed("starting the program");
    }
    std::string line;
    std::getline(std::cin, line);

    // kernelbase lies at the same address in every process of the session.
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernelbase.dll"), "CtrlRoutine")));
    const HANDLE handler =
        routine == nullptr
            ? nullptr
            : ::CreateRemoteThread(program.hProcess, nullptr, 0, routine,
                                   reinterpret_cast<void*>(DWORD_PTR{CTRL_CLOSE_EVENT}), 0, nullptr);
    if (handler == nullptr) {
        const int failed = Failed("starting the console handler");
        ::TerminateProcess(program.hProcess, STATUS_CONTROL_C_EXIT);
        return failed;
    }
    const HANDLE ends[] = {handler, program.hProcess};
    const DWORD first = ::WaitForMultipleObjects(2, ends, FALSE, 5000);
    // The program's end ends the handler's thread too.
    const char* answer = ::WaitForSingleObject(program.hProcess, 0) == WAIT_OBJECT_0
                             ? "the program ended by itself"
                         : first == WAIT_OBJECT_0 ? "the handler returned"
                                                  : "no answer within 5 s";
    std::fprintf(stderr, "console_close: %s\n", answer);
    ::TerminateProcess(program.hProcess, STATUS_CONTROL_C_EXIT);
    ::WaitForSingleObject(program.hProcess, INFINITE);
    return 0;
}
