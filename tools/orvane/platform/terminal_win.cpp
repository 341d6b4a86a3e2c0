#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "clean_stop_gate.hpp"
#include "terminal.hpp"
#include "wide_text_win.hpp"

namespace orvane_cli::platform {
namespace {

std::atomic<bool> interrupted{false};
// The thread that watches for interrupts; a read it is blocked in (a shell
// session waiting for a line) is cancelled so that it sees the interrupt.
HANDLE watchingThread = nullptr;
std::atomic<const char*> notice{nullptr};
// Never destroyed: a handler may still wait on it while the process exits.
CleanStopGate& cleanStop = *new CleanStopGate;
// Half a second short of the 5 s after which Windows ends the process anyway.
constexpr std::chrono::milliseconds kCleanStopBound{4500};

void Interrupt() {
    interrupted = true;
    // (The handler runs on a thread of its own, so it may write.)
    if (const char* text = notice.load()) {
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written,
                    nullptr);
    }
    if (watchingThread != nullptr) ::CancelSynchronousIo(watchingThread);
}

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            Interrupt();
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            // Windows ends the process the moment this returns.
            Interrupt();
            cleanStop.WaitForDone(kCleanStopBound);
            return TRUE;
        default:
            // A logoff does not say whose: a tool that a service started would
            // stop whenever anybody logs off.
            return FALSE;
    }
}

}  // namespace

void PrepareConsole() { ::SetConsoleOutputCP(CP_UTF8); }

void WriteText(std::FILE* stream, const std::string& utf8) {
    std::fflush(stream);
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0 && !utf8.empty()) {
        const std::wstring wide = WideFromUtf8(utf8);
        for (std::size_t done = 0; done < wide.size();) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
            if (::WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) == 0 || written == 0)
                break;
            done += written;
        }
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

void RewriteLines(std::size_t previous, const std::vector<std::string>& lines) {
    // The console's own cursor moves: back to the start of the first old line,
    // then each line padded with blanks to the width of the window.
    std::fflush(stdout);
    const HANDLE handle = ::GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (::GetConsoleScreenBufferInfo(handle, &info) == 0) {
        for (const std::string& line : lines) WriteText(stdout, "\r" + line + "\n");
        return;
    }
    const SHORT back = static_cast<SHORT>(previous > 1 ? previous - 1 : 0);
    COORD start{0, static_cast<SHORT>(info.dwCursorPosition.Y > back ? info.dwCursorPosition.Y - back : 0)};
    ::SetConsoleCursorPosition(handle, start);
    const std::size_t width = info.dwSize.X > 1 ? static_cast<std::size_t>(info.dwSize.X - 1) : 79;
    std::string text;
    const std::size_t count = std::max(previous, lines.size());
    for (std::size_t i = 0; i < count; ++i) {
        std::string line = i < lines.size() ? lines[i] : "";
        if (line.size() < width) line.append(width - line.size(), ' ');
        text += (i == 0 ? "" : "\n") + line;
    }
    WriteText(stdout, text);
    if (previous > lines.size() && ::GetConsoleScreenBufferInfo(handle, &info) != 0) {
        COORD end{0,
                  static_cast<SHORT>(info.dwCursorPosition.Y - static_cast<SHORT>(previous - lines.size()))};
        ::SetConsoleCursorPosition(handle, end);
    }
}

bool StdoutIsTerminal() { return ::_isatty(::_fileno(stdout)) != 0; }
bool StdinIsTerminal() { return ::_isatty(::_fileno(stdin)) != 0; }

bool EndOfInputEndsLine() { return true; }

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

void WatchForInterrupt() {
    if (watchingThread == nullptr) {
        ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &watchingThread,
                          0, FALSE, DUPLICATE_SAME_ACCESS);
    }
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool InterruptRequested() { return interrupted.load(); }

void RequestInterrupt() { Interrupt(); }

void ClearInterrupt() { interrupted = false; }

void CleanStopDone() { cleanStop.Done(); }

void SetInterruptNotice(const char* text) { notice.store(text); }

}  // namespace orvane_cli::platform
