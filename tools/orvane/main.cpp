// orvane: tries a camera through OrvaneLib, loaded by name as a host loads it.
#include <CLI/CLI.hpp>

#include "exit_codes.hpp"
#include "platform/terminal.hpp"
#include "tool.hpp"

int main(int argc, char** argv) {
    using namespace orvane_cli;
    platform::PrepareConsole();
    Tool tool;
    CLI::App app{"orvane: check a camera, steer it and record its thermometry through OrvaneLib", "orvane"};
    app.footer(std::string("The password comes from --password-file, ORVANE_PASSWORD or a prompt.\n") +
               kExitCodesHelp);
    app.add_flag("--json", tool.json, "Print one JSON object with the result instead of text");
    app.require_subcommand(1);
    app.fallthrough();
    AddCheckCommand(app, tool);
    AddPtzCommands(app, tool);
    AddSnapshotCommand(app, tool);
    AddThermoCommands(app, tool);
    AddJobCommand(app, tool);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }
    Output out(tool.json);
    if (!tool.run) return kExitUsage;  // not reached: a subcommand is required
    return out.Finish(tool.run(out));
}
