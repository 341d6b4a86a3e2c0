// Line editing and history through libedit's readline interface.
#include <editline/readline.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "line_reader.hpp"
#include "terminal.hpp"

namespace orvane_cli::platform {
namespace {

// Keys come through here so that Ctrl+C, which interrupts the read, ends the
// line as the end of input does (the session then logs out).
int ReadKey(FILE*) {
    while (true) {
        unsigned char key = 0;
        const ssize_t got = ::read(STDIN_FILENO, &key, 1);
        if (got == 1) return key;
        if (got < 0 && errno == EINTR && !InterruptRequested()) continue;
        return EOF;
    }
}

class EditingReader final : public LineReader {
public:
    explicit EditingReader(std::string prompt) : prompt_(std::move(prompt)) {
        ::rl_catch_signals = 0;  // Ctrl+C is the session's own interrupt
        ::rl_getc_function = ReadKey;
        ::using_history();
    }

    std::optional<std::string> Read() override {
        char* line = ::readline(prompt_.c_str());
        if (line == nullptr) return std::nullopt;
        std::string text(line);
        std::free(line);
        if (text.find_first_not_of(" \t") != std::string::npos) ::add_history(text.c_str());
        return text;
    }
    bool Interactive() const override { return true; }
    bool Interrupted() const override { return InterruptRequested(); }
    // libedit has echoed ^D after the prompt: blank it out and show it on a
    // line of its own, as after Ctrl+C.
    std::string EndOfInputMark() const override { return "\b\b  \n^D"; }

private:
    std::string prompt_;
};

}  // namespace

std::unique_ptr<LineReader> MakeEditingReader(const std::string& prompt) {
    return std::make_unique<EditingReader>(prompt);
}

}  // namespace orvane_cli::platform
