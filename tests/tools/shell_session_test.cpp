#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "commands/shell_session.hpp"

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
        int result;
        bool interrupted;
        bool endOfInput;
    } cases[] = {
        {"end of input", {"position", "", "  # note", " bad"}, false, {"position", "bad"}, 1, 2, false, true},
        {"interrupt seen by the reader only", {"position"}, true, {"position"}, 0, 0, true, false},
        {"quit", {"position", "  quit  ", "position"}, true, {"position"}, 0, 0, false, false},
        {"a word beginning with quit is a command", {"quitting"}, false, {"quitting"}, 1, 2, false, true},
        {"an interrupted command fails, the session goes on",
         {"move", "position"},
         false,
         {"move", "position"},
         1,
         130,
         false,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedReader reader(c.lines, c.interruptAtEnd);
        std::vector<std::string> run;
        const SessionEnd end = RunSessionLines(reader, [&](const std::string& line) {
            run.push_back(line);
            return line == "position" ? 0 : line == "move" ? 130 : 2;
        });
        EXPECT_EQ(run, c.run);
        EXPECT_EQ(end.commands, static_cast<int>(c.run.size()));
        EXPECT_EQ(end.failed, c.failed);
        EXPECT_EQ(end.result, c.result);
        EXPECT_EQ(end.interrupted, c.interrupted);
        EXPECT_EQ(end.endOfInput, c.endOfInput);
    }
}

}  // namespace
}  // namespace orvane_cli
