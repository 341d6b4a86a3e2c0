#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "shell_session.hpp"

namespace orvane_cli {
namespace {

// Gives its lines, then ends as interrupted or as the end of input.
class ScriptedReader final : public platform::LineReader {
public:
    ScriptedReader(std::deque<std::string> lines, bool interruptAtEnd)
        : lines_(std::move(lines)), interruptAtEnd_(interruptAtEnd) {}
    std::optional<std::string> Read() override {
        if (lines_.empty()) {
            interrupted_ = interruptAtEnd_;
            return std::nullopt;
        }
        std::string line = lines_.front();
        lines_.pop_front();
        return line;
    }
    bool Interactive() const override { return false; }
    bool Interrupted() const override { return interrupted_; }

private:
    std::deque<std::string> lines_;
    bool interruptAtEnd_;
    bool interrupted_ = false;
};

// The reader may see Ctrl+C before its handler has run: the session still ends
// as interrupted. Blank lines and comments are no commands; quit ends it.
TEST(ShellSession, EndsOnQuitEndOfInputOrAnInterruptTheReaderSaw) {
    const struct {
        const char* what;
        std::deque<std::string> lines;
        bool interruptAtEnd;
        std::vector<std::string> run;
        int failed;
        bool interrupted;
    } cases[] = {
        {"end of input", {"position", "", "  # note", " bad"}, false, {"position", "bad"}, 1, false},
        {"interrupt seen by the reader only", {"position"}, true, {"position"}, 0, true},
        {"quit", {"position", "  quit  ", "position"}, true, {"position"}, 0, false},
        {"a word beginning with quit is a command", {"quitting"}, false, {"quitting"}, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedReader reader(c.lines, c.interruptAtEnd);
        std::vector<std::string> run;
        const SessionEnd end = RunSessionLines(reader, [&](const std::string& line) {
            run.push_back(line);
            return line == "position" ? 0 : 2;
        });
        EXPECT_EQ(run, c.run);
        EXPECT_EQ(end.commands, static_cast<int>(c.run.size()));
        EXPECT_EQ(end.failed, c.failed);
        EXPECT_EQ(end.result, c.failed != 0 ? 2 : 0);
        EXPECT_EQ(end.interrupted, c.interrupted);
    }
}

}  // namespace
}  // namespace orvane_cli
