// Reading a shell session's lines: with a prompt, line editing and history on
// a terminal (where the build has a line-editing library), plain lines from a
// script or pipe.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace orvane_cli::platform {

class LineReader {
public:
    // An editing reader when standard input and output are a terminal and the
    // build has line editing; a prompting plain reader on a terminal without it;
    // a silent plain reader otherwise.
    static std::unique_ptr<LineReader> ForStandardInput();
    virtual ~LineReader() = default;

    // The next line without its end, or nothing at the end of input (or when
    // Ctrl+C interrupted the reading).
    virtual std::optional<std::string> Read() = 0;
    // Whether a person is typing (prompts and greetings make sense).
    virtual bool Interactive() const = 0;
    // Whether the latest Read ended because Ctrl+C interrupted the reading
    // rather than because input ended. The interrupt flag alone may not say
    // so yet: a sanitizer runs the signal handler only after the read has
    // returned.
    virtual bool Interrupted() const = 0;
    // What to print where input ended at the prompt, so that ^D stands on a
    // line of its own.
    virtual std::string EndOfInputMark() const { return "\n^D"; }
};

// The editing reader, or nothing when this build has none.
std::unique_ptr<LineReader> MakeEditingReader(const std::string& prompt);

}  // namespace orvane_cli::platform
