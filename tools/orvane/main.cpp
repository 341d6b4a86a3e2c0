// orvane: tries a camera through OrvaneLib, loaded by name as a host loads it.
#include <CLI/CLI.hpp>

#include "commands/command_line.hpp"
#include "commands/exit_codes.hpp"
#include "commands/tool.hpp"
#include "platform/terminal.hpp"

int main(int argc, char** argv) {
    using namespace orvane_cli;
    platform::PrepareConsole();
    Tool tool;
    CLI::App app{"orvane: check a camera, steer it and record its thermometry through OrvaneLib", "orvane"};
    AddCommandLine(app, tool);

    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (auto command = TakeRunCommand(args)) tool.runCommand = std::move(*command);
    if (auto command = TakeServiceCommand(args)) tool.serviceCommand = std::move(*command);
    const Parsed parsed = ParseCommandLine(app, args);
    if (parsed.kind == Parsed::kPrinted) return parsed.exitCode;
    if (parsed.kind == Parsed::kUsageError) {
        Output out(AsksForJson(args));
        out.Error(kExitUsage, parsed.message);
        if (!out.json()) out.Warn("run 'orvane --help' for the commands and options");
        return out.Finish(kExitUsage);
    }
    Output out(tool.json, tool.level());
    if (!tool.run) return out.Finish(out.Error(kExitUsage, "no command given"));
    const int exitCode = out.Finish(AfterInterrupt(out, tool.run(out)));
    // Only now, with every login ended (a shell's too) and the result written.
    platform::CleanStopDone();
    return exitCode;
}
