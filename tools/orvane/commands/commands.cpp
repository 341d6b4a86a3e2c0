#include "commands/exit_codes.hpp"
#include "commands/tool.hpp"

namespace orvane_cli {

void AddCameraCommands(CLI::App& app, Tool& tool) {
    AddCheckCommand(app, tool);
    AddPtzCommands(app, tool);
    AddSnapshotCommand(app, tool);
    AddThermoCommands(app, tool);
}

void AddCommandLine(CLI::App& app, Tool& tool) {
    app.footer(std::string("The password comes from --password-file, ORVANE_PASSWORD or a prompt.\n") +
               kExitCodesHelp);
    app.set_version_flag("--version", std::string("orvane ") + ORVANE_TOOL_VERSION);
    app.add_flag("--json", tool.json, "Print one JSON object with the result instead of text");
    auto* quiet = app.add_flag("-q,--quiet", tool.quiet, "Print only alarms, warnings and failures");
    app.add_flag("-v,--verbose", tool.verbose, "Print each step's details as well")->excludes(quiet);
    app.require_subcommand(1);
    app.fallthrough();
    AddCameraCommands(app, tool);
    AddRunCommand(app, tool);
    AddShellCommand(app, tool);
    AddJobCommand(app, tool);
    AddServeCommand(app, tool);
    AddServiceCommand(app, tool);
}

}  // namespace orvane_cli
