#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <iostream>

#include "terminal.hpp"

namespace orvane_cli::platform {
namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
            interrupted = true;
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void PrepareConsole() { ::SetConsoleOutputCP(CP_UTF8); }

bool StdoutIsTerminal() { return ::_isatty(::_fileno(stdout)) != 0; }
bool StdinIsTerminal() { return ::_isatty(::_fileno(stdin)) != 0; }

std::optional<std::string> ReadSecretLine(const std::string& prompt) {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    DWORD savedMode = 0;
    const bool console = StdinIsTerminal() && ::GetConsoleMode(input, &savedMode) != 0;
    if (console) ::SetConsoleMode(input, savedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (console) ::SetConsoleMode(input, savedMode);
    std::fputc('\n', stderr);
    if (!got) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void WatchForInterrupt() { ::SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

bool InterruptRequested() { return interrupted.load(); }

}  // namespace orvane_cli::platform
