// orvane check: can we log in, read the PTZ head and log out again?
#include "commands/exit_codes.hpp"
#include "commands/tool.hpp"
#include "library/ptz_reading.hpp"

namespace orvane_cli {

void AddCheckCommand(CLI::App& app, Tool& tool) {
    auto* check = app.add_subcommand("check", "Log in, read the PTZ position and ranges, log out");
    AddConnectionOptions(*check, tool);
    AddAddressPositional(*check, tool);
    check->callback([&tool] {
        tool.run = [&tool](Output& out) {
            const int result = WithLogin(out, tool, [&out](CameraLibrary& library, int32_t userId) {
                int result = kExitOk;
                if (const auto position = ReadPosition(library, userId)) {
                    out.Raw("position", PositionJson(*position));
                    out.Line("PTZ position: " + DescribePosition(*position));
                } else {
                    result = out.Fail(kExitFailed, "reading the PTZ position failed", library.LastFailure());
                }
                if (const auto ranges = ReadRanges(library, userId)) {
                    out.Raw("ranges", RangesJson(*ranges));
                    out.Line("PTZ ranges:   " + DescribeRanges(*ranges));
                } else {
                    const int failed =
                        out.Fail(kExitFailed, "reading the PTZ ranges failed", library.LastFailure());
                    if (result == kExitOk) result = failed;
                }
                return result;
            });
            out.Line(result == kExitOk            ? "Check passed"
                     : result == kExitInterrupted ? "Check interrupted"
                                                  : "Check failed");
            return result;
        };
    });
}

}  // namespace orvane_cli
