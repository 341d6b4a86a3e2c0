#include "line_reader.hpp"

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
        if (!std::getline(std::cin, line)) return std::nullopt;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return line;
    }
    bool Interactive() const override { return prompt_; }

private:
    bool prompt_;
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
