// The lines of an orvane shell session: read until quit, the end of input or
// Ctrl+C, each command run in turn, and what the session ends with.
#pragma once

#include <functional>
#include <string>

#include "platform/line_reader.hpp"

namespace orvane_cli {

struct SessionEnd {
    int result = 0;  // the exit code of the last command that failed, else 0
    int commands = 0;
    int failed = 0;
    bool interrupted = false;  // Ctrl+C at the prompt ended the session
    bool endOfInput = false;   // input ended (Ctrl+D on a terminal)
};

// Runs each line that is not blank or a comment through `runLine` (which gives
// its exit code) until a "quit" line, the end of input or an interrupt while
// reading. A command that an interrupt ended (kExitInterrupted) counts as
// failed, and the interrupt is forgotten: the session goes on. An interrupt
// while reading counts whether the handler has already run or only the reader
// saw it (a sanitizer runs the handler after the read has returned).
SessionEnd RunSessionLines(platform::LineReader& reader,
                           const std::function<int(const std::string&)>& runLine);

}  // namespace orvane_cli
