// orvane ptz move, orvane preset, orvane position: steering the PTZ head.
#include <map>
#include <memory>

#include "clock/waiting.hpp"
#include "commands/exit_codes.hpp"
#include "commands/tool.hpp"
#include "library/ptz_reading.hpp"
#include "platform/terminal.hpp"

namespace orvane_cli {
namespace {

// The camera's PTZ motion commands.
const std::map<std::string, uint32_t> kMotions = {{"left", 1}, {"right", 2},   {"up", 3},
                                                  {"down", 4}, {"zoom-in", 5}, {"zoom-out", 6}};
// The camera's preset commands.
const std::map<std::string, uint32_t> kPresetActions = {{"set", 8}, {"clear", 9}, {"goto", 39}};

struct MoveOptions {
    std::string direction;
    std::string forText = "1s";
    int32_t channel = 1;
};

struct PresetOptions {
    std::string action;
    uint32_t index = 0;
    int32_t channel = 1;
};

int Move(Output& out, const Tool& tool, const MoveOptions& options) {
    const uint32_t command = kMotions.at(options.direction);
    const Milliseconds duration = *ParseDuration(options.forText);
    // Ctrl+C cuts the motion short but still stops the head and logs out.
    platform::WatchForInterrupt();
    return WithLogin(out, tool, [&](CameraLibrary& library, int32_t userId) {
        const auto& api = library.api();
        out.Text("direction", options.direction);
        if (api.CamPTZControl(userId, options.channel, command, 1, 0) != 1) {
            return out.Fail(kExitFailed, "starting the motion " + options.direction + " failed",
                            library.LastFailure());
        }
        out.Line("Moving " + options.direction + " for " +
                 Decimal(static_cast<double>(duration.count()) / 1000.0, 1) + " s ...");
        const auto started = std::chrono::steady_clock::now();
        const bool completed = SleepUnlessInterrupted(duration);
        // Stopped in every case, so the head never keeps moving after the tool ends.
        const bool stopped = api.CamPTZControl(userId, options.channel, command, 0, 0) == 1;
        const auto moved =
            std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - started);
        out.Integer("moved_ms", moved.count());
        out.Flag("interrupted", !completed);
        if (!stopped) return out.Fail(kExitFailed, "stopping the motion failed", library.LastFailure());
        const std::string after = " after " + Decimal(static_cast<double>(moved.count()) / 1000.0, 1) + " s";
        if (completed)
            out.Line("Stopped" + after);
        else
            out.LineAfterInterrupt("Interrupted, stopped" + after);
        if (const auto position = ReadPosition(library, userId)) {
            out.Raw("position", PositionJson(*position));
            out.Line("PTZ position: " + DescribePosition(*position));
        }
        return static_cast<int>(kExitOk);
    });
}

int Preset(Output& out, const Tool& tool, const PresetOptions& options) {
    return WithLogin(out, tool, [&](CameraLibrary& library, int32_t userId) {
        out.Text("action", options.action);
        out.Integer("preset", options.index);
        const uint32_t command = kPresetActions.at(options.action);
        if (library.api().CamPresetCommand(userId, options.channel, options.index, command, 0) != 1) {
            return out.Fail(kExitFailed,
                            "preset " + options.action + " " + std::to_string(options.index) + " failed",
                            library.LastFailure());
        }
        out.Line("Preset " + std::to_string(options.index) + ": " + options.action + " done");
        return static_cast<int>(kExitOk);
    });
}

int Position(Output& out, const Tool& tool) {
    return WithLogin(out, tool, [&](CameraLibrary& library, int32_t userId) {
        const auto position = ReadPosition(library, userId);
        if (!position) return out.Fail(kExitFailed, "reading the PTZ position failed", library.LastFailure());
        out.Raw("position", PositionJson(*position));
        out.Line("PTZ position: " + DescribePosition(*position));
        return static_cast<int>(kExitOk);
    });
}

}  // namespace

void AddPtzCommands(CLI::App& app, Tool& tool) {
    auto* ptz = app.add_subcommand("ptz", "Steer the PTZ head");
    ptz->require_subcommand(1);
    auto* move = ptz->add_subcommand("move", "Move the head one way for a while, then stop it");
    auto moveOptions = std::make_shared<MoveOptions>();
    AddConnectionOptions(*move, tool);
    AddLeadingAddress(*move, tool);
    move->add_option("direction", moveOptions->direction, "left, right, up, down, zoom-in or zoom-out")
        ->required()
        ->check(CLI::IsMember(kMotions));
    move->add_option("--for", moveOptions->forText, "How long to move (1.5s, 500ms, ...)")
        ->check(DurationValidator())
        ->capture_default_str();
    move->add_option("-c,--channel", moveOptions->channel, "Channel")->capture_default_str();
    move->callback([&tool, moveOptions] {
        tool.run = [&tool, moveOptions](Output& out) { return Move(out, tool, *moveOptions); };
    });

    auto* preset = app.add_subcommand("preset", "Set, clear or go to a preset position");
    auto presetOptions = std::make_shared<PresetOptions>();
    AddConnectionOptions(*preset, tool);
    AddLeadingAddress(*preset, tool);
    preset->add_option("action", presetOptions->action, "set, clear or goto")
        ->required()
        ->check(CLI::IsMember(kPresetActions));
    preset->add_option("index", presetOptions->index, "Preset number (1 to 255 on most cameras)")
        ->required()
        ->check(CLI::Range(1u, 65535u));
    preset->add_option("-c,--channel", presetOptions->channel, "Channel")->capture_default_str();
    preset->callback([&tool, presetOptions] {
        tool.run = [&tool, presetOptions](Output& out) { return Preset(out, tool, *presetOptions); };
    });

    auto* position = app.add_subcommand("position", "Show the PTZ head's position");
    AddConnectionOptions(*position, tool);
    AddAddressPositional(*position, tool);
    position->callback([&tool] { tool.run = [&tool](Output& out) { return Position(out, tool); }; });
}

}  // namespace orvane_cli
