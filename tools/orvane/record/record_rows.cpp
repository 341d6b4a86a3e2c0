// The rows of a recording: each new measurement its cameras' watches read
// becomes a row of the CSV and a point of the chart, and is checked for alarms.
#include "clock/host_clock.hpp"
#include "library/text_encoding.hpp"
#include "record/live_progress.hpp"
#include "record/recording.hpp"

namespace orvane_cli {

bool RecordRows(Recording& r, RecordedCamera& camera, Progress& progress) {
    for (const RuleView& seen : camera.view.rules) {
        const Measurement& m = seen.reading;
        if (!r.options.Keeps(m.rule)) continue;
        auto [entry, added] = camera.rules.try_emplace(m.rule, r.options.Above(), r.options.Below());
        RecordedRule& rule = entry->second;
        rule.current = seen.current;
        const bool sameSubscription = !added && rule.subscription == seen.subscription;
        if (sameSubscription && rule.events == seen.events) continue;
        // More than one arrived between two polls: the library kept the newest.
        camera.missed += std::max<int64_t>(0, seen.events - (sameSubscription ? rule.events : 0) - 1);
        rule.newest = m;
        rule.subscription = seen.subscription;
        rule.events = seen.events;
        rule.summary.Add(m);
        ++camera.rows;
        ++r.rows;
        const std::string label = RuleLabel(camera.address, camera.channel, m);
        r.chart.Of(label, m.IsPoint()).measurements.push_back(m);
        if (!r.options.csv.empty() &&
            !r.csv.Write(CsvRow(camera.address, camera.channel, m, HostTimeNow()) + "\n")) {
            return false;
        }
        progress.Measured(camera, m);
        for (const Alarm& alarm : rule.alarms.Check(m)) {
            progress.Break();
            r.out.Notice(alarm.Text() + " (" + label + ")");
            r.alarms.push_back(Output::Object({{"time", JsonString(IsoDateTime(alarm.date, alarm.time))},
                                               {"camera", JsonString(camera.address)},
                                               {"channel", std::to_string(camera.channel)},
                                               {"rule", std::to_string(m.rule)},
                                               {"side", JsonString(alarm.above ? "above" : "below")},
                                               {"reading", Decimal(alarm.reading, 2)},
                                               {"threshold", Decimal(alarm.threshold, 2)}}));
        }
    }
    return true;
}

std::string ChannelHealth(const RecordedCamera& camera) {
    if (camera.camera.up) return camera.view.health;
    if (camera.camera.login == LoginState::kWrongPassword) return "wrong password";
    if (camera.camera.lastFailure)
        return "not logged in (error " + std::to_string(camera.camera.lastFailure->code) + ")";
    return "not logged in";
}

}  // namespace orvane_cli
