#include "commands/shell_session.hpp"

#include "commands/exit_codes.hpp"
#include "platform/terminal.hpp"

namespace orvane_cli {
namespace {

bool IsBlankOrComment(const std::string& line) {
    const auto first = line.find_first_not_of(" \t\r");
    return first == std::string::npos || line[first] == '#';
}

bool IsQuit(const std::string& trimmed) {
    return trimmed.rfind("quit", 0) == 0 && trimmed.find_first_not_of(" \t\r", 4) == std::string::npos;
}

}  // namespace

SessionEnd RunSessionLines(platform::LineReader& reader,
                           const std::function<int(const std::string&)>& runLine) {
    SessionEnd end;
    while (!platform::InterruptRequested()) {
        const auto line = reader.Read();
        if (!line) {
            end.endOfInput = !reader.Interrupted();
            break;
        }
        if (IsBlankOrComment(*line)) continue;
        const std::string trimmed = line->substr(line->find_first_not_of(" \t"));
        if (IsQuit(trimmed)) break;
        const int code = runLine(trimmed);
        ++end.commands;
        if (code != 0) ++end.failed, end.result = code;
        if (code == kExitInterrupted) platform::ClearInterrupt();
    }
    end.interrupted = !end.endOfInput && (platform::InterruptRequested() || reader.Interrupted());
    return end;
}

}  // namespace orvane_cli
