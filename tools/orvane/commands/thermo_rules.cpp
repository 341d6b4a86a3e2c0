// orvane thermo rules: the rules a camera sends, with their newest readings.
#include "commands/thermo_rules.hpp"
#include "clock/waiting.hpp"
#include "commands/exit_codes.hpp"
#include "library/rule_reading.hpp"
#include "library/text_encoding.hpp"
#include "platform/terminal.hpp"
#include "record/recorded_camera.hpp"

namespace orvane_cli {

int ListRules(Output& out, const Tool& tool, const RulesOptions& options) {
    return WithLogin(out, tool, [&](CameraLibrary& library, int32_t userId) {
        const auto& api = library.api();
        if (api.CamThermometryStart(userId, options.channel, 0) != 1) {
            return out.Fail(kExitFailed,
                            "starting thermometry on channel " + std::to_string(options.channel) + " failed",
                            library.LastFailure());
        }
        platform::WatchForInterrupt();
        const bool interrupted = !SleepUnlessInterrupted(*ParseDuration(options.forText));
        std::string list = "[";
        const std::vector<int32_t> ids = RulesOf(library, userId, options.channel);
        out.Line(std::to_string(ids.size()) + " rule" + (ids.size() == 1 ? "" : "s") + " on channel " +
                 std::to_string(options.channel) + " in " + options.forText +
                 (interrupted ? " (interrupted)" : ""));
        for (const int32_t id : ids) {
            const auto read = ReadRule(library, userId, options.channel, id);
            if (!read) continue;
            const auto& [m, events] = *read;
            out.Line("  rule " + std::to_string(id) + "  " + RuleTypeName(m.type) + "  preset " +
                     std::to_string(m.preset) + "  " + Readings(m) + "  at " + IsoDateTime(m.date, m.time) +
                     "  (" + std::to_string(events) + " measurements)");
            std::vector<std::pair<std::string, std::string>> fields{
                {"rule", std::to_string(id)},
                {"type", JsonString(RuleTypeName(m.type))},
                {"type_code", std::to_string(m.type)},
                {"preset", std::to_string(m.preset)},
                {"time", JsonString(IsoDateTime(m.date, m.time))},
                {"measurements", std::to_string(events)}};
            if (m.IsPoint()) {
                fields.emplace_back("point", Decimal(m.point, 2));
            } else {
                fields.emplace_back("max", Decimal(m.max, 2));
                fields.emplace_back("min", Decimal(m.min, 2));
                fields.emplace_back("avg", Decimal(m.avg, 2));
            }
            list += (list.size() > 1 ? ", " : "") + Output::Object(fields);
        }
        out.Raw("rules", list + "]");
        out.Flag("interrupted", interrupted);
        if (api.CamThermometryStop(userId, options.channel, 0) != 1) {
            return out.Fail(kExitFailed, "stopping thermometry failed", library.LastFailure());
        }
        return static_cast<int>(kExitOk);
    });
}

}  // namespace orvane_cli
