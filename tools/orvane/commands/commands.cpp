#include "commands/tool.hpp"

namespace orvane_cli {

void AddCameraCommands(CLI::App& app, Tool& tool) {
    AddCheckCommand(app, tool);
    AddPtzCommands(app, tool);
    AddSnapshotCommand(app, tool);
    AddThermoCommands(app, tool);
}

}  // namespace orvane_cli
