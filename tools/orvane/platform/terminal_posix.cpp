#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "terminal.hpp"

namespace orvane_cli::platform {
namespace {

volatile std::sig_atomic_t interrupted = 0;

std::atomic<const char*> notice{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
    interrupted = 1;
    // write() is safe in a signal handler; stdio is not.
    if (const char* text = notice.load()) {
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, std::strlen(text));
    }
}

}  // namespace

void PrepareConsole() {}

void WriteText(std::FILE* stream, const std::string& utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

void RewriteLines(std::size_t previous, const std::vector<std::string>& lines) {
    // Back to the start of the first old line, then each new line cleared to its end.
    std::string text = "\r";
    if (previous > 1) text += "\x1b[" + std::to_string(previous - 1) + "A";
    for (std::size_t i = 0; i < lines.size(); ++i) text += (i == 0 ? "" : "\n") + lines[i] + "\x1b[K";
    // Old lines beyond the new ones are cleared too.
    for (std::size_t i = lines.size(); i < previous; ++i) text += "\n\x1b[K";
    if (previous > lines.size()) text += "\x1b[" + std::to_string(previous - lines.size()) + "A";
    WriteText(stdout, text);
}

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }
bool StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

bool EndOfInputEndsLine() { return false; }

std::optional<std::string> ReadSecretLine(const std::string& prompt) {
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool terminal = StdinIsTerminal() && ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    const bool got = static_cast<bool>(std::getline(std::cin, line));
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    else
        std::fputc('\n', stderr);
    if (!got) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

void WatchForInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

bool InterruptRequested() { return interrupted != 0; }

void RequestInterrupt() { interrupted = 1; }

void ClearInterrupt() { interrupted = 0; }

// Nothing ends the process the moment a signal handler returns.
void CleanStopDone() {}

void SetInterruptNotice(const char* text) { notice.store(text); }

}  // namespace orvane_cli::platform
