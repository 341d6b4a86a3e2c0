// After a recording: its chart and its summary.
#include <algorithm>
#include <set>

#include "commands/exit_codes.hpp"
#include "library/text_encoding.hpp"
#include "record/recording.hpp"
#include "watch/subscription_watch.hpp"

namespace orvane_cli {

std::string ChartTitle(const std::vector<RecordedCamera>& cameras, const std::vector<ChartSet>& sets) {
    std::string names, from, to;
    for (const RecordedCamera& camera : cameras) names += (names.empty() ? "" : ", ") + camera.Label();
    for (const ChartSet& set : sets) {
        if (set.measurements.empty()) continue;
        const std::string first = IsoDateTime(set.measurements.front().date, set.measurements.front().time);
        const std::string last = IsoDateTime(set.measurements.back().date, set.measurements.back().time);
        if (from.empty() || first < from) from = first;
        if (to.empty() || last > to) to = last;
    }
    return "Thermometry, " + names + (from.empty() ? "" : ", " + from + " to " + to);
}

ChartNotes NotesOf(const RecordOptions& options, const std::string& status) {
    // A gap longer than the silence limit is time without data: the lines break there.
    const Milliseconds silence = SilenceLimit(*ParseDuration(options.intervalText));
    return ChartNotes{options.Above(), options.Below(), status, silence.count() / 1000.0};
}

// The final chart of what was recorded (and what the CSV held before).
int DrawChart(Output& out, const RecordOptions& options, const std::vector<RecordedCamera>& cameras,
              ChartData& data, ChartFile& chart, const std::string& status) {
    if (data.empty()) {
        chart.Discard();
        out.Warn("no measurements arrived, so no chart was drawn");
        return kExitOk;
    }
    if (!chart.Draw(
            ThermometryChartSvg(data.sets(), ChartTitle(cameras, data.sets()), NotesOf(options, status)),
            true)) {
        return out.Error(kExitFailed, "writing the chart " + options.plot + " failed (disk full?)");
    }
    out.Text("plot", options.plot);
    out.Line("Chart in " + options.plot);
    return kExitOk;
}

namespace {

std::string Plural(int64_t n, const std::string& word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

// The summary of each camera and rule, as lines and as the JSON "cameras".
void Summarise(Output& out, const std::vector<RecordedCamera>& cameras) {
    std::string summaries = "[";
    int64_t missed = 0, restarts = 0, relogins = 0;
    double withoutData = 0;
    std::set<std::string> counted;  // an address's logins once, however many of its channels
    for (const RecordedCamera& camera : cameras) {
        const int64_t again = std::max<int64_t>(0, camera.camera.loginsTotal - 1);
        missed += camera.missed;
        restarts += camera.view.restartsTotal;
        withoutData += camera.view.secondsWithoutData;
        if (counted.insert(camera.address).second) relogins += again;
        std::string rules = "[";
        for (const auto& [id, rule] : camera.rules) {
            const Measurement& m = *rule.newest;
            auto fields = rule.summary.JsonFields();
            fields.insert(fields.begin(), {{"rule", std::to_string(id)},
                                           {"type", JsonString(RuleTypeName(m.type))},
                                           {"preset", std::to_string(m.preset)}});
            rules += (rules.size() > 1 ? ", " : "") + Output::Object(fields);
            out.Line("Summary " + RuleLabel(camera.address, camera.channel, m) + ": " + rule.summary.Text());
        }
        const int64_t seconds = static_cast<int64_t>(camera.view.secondsWithoutData);
        summaries += (summaries.size() > 1 ? ", " : "") +
                     Output::Object({{"camera", JsonString(camera.address)},
                                     {"channel", std::to_string(camera.channel)},
                                     {"state", JsonString(ChannelHealth(camera))},
                                     {"rows", std::to_string(camera.rows)},
                                     {"rules", rules + "]"},
                                     {"restarts", std::to_string(camera.view.restartsTotal)},
                                     {"logins_again", std::to_string(again)},
                                     {"seconds_without_data", std::to_string(seconds)},
                                     {"missed", std::to_string(camera.missed)}});
        if (camera.camera.loginsTotal > 0) {
            out.Line("Subscription " + camera.Label() + ": " + Plural(camera.view.restartsTotal, "restart") +
                     " of the subscription, " + (again != 0 ? Plural(again, "login") + " again, " : "") +
                     (seconds != 0 ? std::to_string(seconds) + " s without data, " : "") +
                     std::to_string(camera.missed) + " measurements missed between polls" +
                     (camera.missed == 0 ? "" : " (a shorter --interval sees more of them)"));
        }
    }
    out.Raw("cameras", summaries + "]");
    out.Integer("missed", missed);
    out.Integer("restarts", restarts);
    out.Integer("logins_again", relogins);
    out.Integer("seconds_without_data", static_cast<int64_t>(withoutData));
}

}  // namespace orvane_cli
