// orvane shell: one login, then the camera commands read from standard input,
// one per line in the command line's own syntax without connection options,
// until "quit" or the end of input. Ctrl+C during a command ends that command
// and the session goes on; at the prompt it ends the session. The login ends in
// every case.
#include "commands/command_line.hpp"
#include "commands/exit_codes.hpp"
#include "commands/shell_session.hpp"
#include "commands/tool.hpp"
#include "platform/line_reader.hpp"
#include "platform/terminal.hpp"

namespace orvane_cli {
namespace {

// One line of the session: parsed with a fresh command tree bound to the
// session's login, run, and reported (one JSON object with --json). Returns
// its exit code. The session's exit code is that of the last command that
// failed, 0 when all succeeded.
int RunLine(const Tool& session, const SharedLogin& login, const std::string& line) {
    Tool tool;
    tool.json = session.json;
    tool.quiet = session.quiet;
    tool.verbose = session.verbose;
    tool.shared = &login;
    CLI::App app{"Commands of an orvane shell session (quit or end of input ends it)", ""};
    app.require_subcommand(1);
    app.fallthrough();
    AddCameraCommands(app, tool);

    Output out(tool.json, tool.level());
    out.Text("command", line);
    std::vector<std::string> words;
    std::string error;
    if (!SplitWords(line, words, error)) return out.Finish(out.Error(kExitUsage, error));
    if (words.size() == 1 && words[0] == "help") {
        out.Notice(app.help());
        return out.Finish(kExitOk);
    }
    const Parsed parsed = ParseCommandLine(app, words);
    if (parsed.kind == Parsed::kPrinted) return parsed.exitCode;
    if (parsed.kind == Parsed::kUsageError) return out.Finish(out.Error(kExitUsage, parsed.message));
    return out.Finish(AfterInterrupt(out, tool.run(out)));
}

// The session is one login (WithLogin logs in and, however the session ends,
// out again).
int Shell(Output& out, const Tool& tool) {
    return WithLogin(out, tool, [&](CameraLibrary& library, int32_t userId) {
        const Connection& connection = tool.connection;
        // Ctrl+C from here on ends the running command, or at the prompt the
        // session, which then logs out.
        platform::WatchForInterrupt();
        const SharedLogin login{&library, userId, connection.Address()};
        const auto reader = platform::LineReader::ForStandardInput();
        if (reader->Interactive() && !tool.json) {
            out.Line(
                "Commands as on the command line without connection options; help lists them, quit ends.");
        }
        const SessionEnd end =
            RunSessionLines(*reader, [&](const std::string& line) { return RunLine(tool, login, line); });
        // "Interrupted" after the prompt (and a ^C the terminal echoed), and the
        // ^D of Ctrl+D, on a line of their own.
        if (end.interrupted) out.LineAfterInterrupt("Interrupted");
        if (end.endOfInput && reader->Interactive()) out.Line(reader->EndOfInputMark());
        // The session's own result follows the commands' (with --json, one more object).
        out.Flag("session", true);
        out.Integer("commands", end.commands);
        out.Integer("failed_commands", end.failed);
        out.Flag("interrupted", end.interrupted);
        if (end.failed != 0) {
            out.Error(end.result, std::to_string(end.failed) + " of " + std::to_string(end.commands) +
                                      " commands failed");
        }
        return end.result;
    });
}

}  // namespace

void AddShellCommand(CLI::App& app, Tool& tool) {
    auto* shell = app.add_subcommand(
        "shell",
        "Log in once, then run commands read from standard input (one per line, no connection "
        "options) until quit or end of input");
    AddConnectionOptions(*shell, tool);
    AddAddressPositional(*shell, tool);
    shell->callback([&tool] { tool.run = [&tool](Output& out) { return Shell(out, tool); }; });
}

}  // namespace orvane_cli
