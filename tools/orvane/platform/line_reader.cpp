#include "line_reader.hpp"

#include <cstdio>
#include <iostream>

#include "terminal.hpp"

namespace orvane_cli::platform {
namespace {

constexpr const char* kPrompt = "orvane> ";

class PlainReader final : public LineReader {
public:
    explicit PlainReader(bool prompt) : prompt_(prompt) {}

    std::optional<std::string> Read() override {
        if (prompt_) WriteText(stdout, kPrompt);
        std::string line;
        if (!std::getline(std::cin, line)) {
            // A read that Ctrl+C interrupted leaves the stream's error mark;
            // the end of input leaves only its end mark.
            interrupted_ = std::ferror(stdin) != 0;
            return std::nullopt;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    bool Interactive() const override { return prompt_; }
    bool Interrupted() const override { return interrupted_; }
    std::string EndOfInputMark() const override { return EndOfInputEndsLine() ? "^D" : "\n^D"; }

private:
    bool prompt_;
    bool interrupted_ = false;
};

}  // namespace

std::unique_ptr<LineReader> LineReader::ForStandardInput() {
    const bool terminal = StdinIsTerminal() && StdoutIsTerminal();
    if (terminal) {
        if (auto editing = MakeEditingReader(kPrompt)) return editing;
    }
    return std::make_unique<PlainReader>(terminal);
}

}  // namespace orvane_cli::platform
