// The recording itself: logins, subscriptions, a poll per interval, restarts.
#include <algorithm>
#include <chrono>

#include "clock/host_clock.hpp"
#include "clock/waiting.hpp"
#include "commands/exit_codes.hpp"
#include "library/rule_reading.hpp"
#include "library/text_encoding.hpp"
#include "platform/terminal.hpp"
#include "record/live_progress.hpp"
#include "record/recording.hpp"

namespace orvane_cli {

namespace {

SubscriptionHealth ReadHealth(const CameraLibrary& library, const RecordedCamera& camera) {
    return orvane_cli::ReadHealth(library, camera.userId, camera.channel);
}

// Stops what is left of a camera's subscription and starts it again. A refused
// start shows as "start failed" in the next status, and the watch tries again.
void Restart(Output& out, const CameraLibrary& library, const RecordedCamera& camera,
             const SubscriptionHealth& health, Milliseconds sinceStart) {
    out.Warn("restarting the subscription of " + camera.Label() + ": " + HealthText(health, sinceStart));
    library.api().CamThermometryStop(camera.userId, camera.channel, 0);
    if (library.api().CamThermometryStart(camera.userId, camera.channel, 0) == 1) return;
    out.Warn("restarting the subscription of " + camera.Label() +
             " failed: " + FailureLine(library.LastFailure()));
}

// Reads each rule of a camera; a new measurement becomes a row (and is checked
// for alarms). False when the CSV cannot be written.
bool PollRules(Recording& r, RecordedCamera& camera, Progress& progress) {
    for (const int32_t id : RulesOf(r.library, camera.userId, camera.channel)) {
        const auto read = ReadRule(r.library, camera.userId, camera.channel, id);
        if (!read) continue;
        const auto& [m, events] = *read;
        if (!r.options.Keeps(id)) {
            // Left out on purpose: its measurements are not missed ones.
            int32_t& before = camera.skipped[id];
            camera.watch.Recorded(events >= before ? events - before : events);
            before = events;
            continue;
        }
        auto [entry, added] = camera.rules.try_emplace(id, r.options.Above(), r.options.Below());
        RecordedRule& rule = entry->second;
        // The library gives the newest measurement; a new one has another count or other values.
        if (!added && rule.events == events && rule.newest == m) continue;
        rule.newest = m;
        rule.events = events;
        rule.summary.Add(m);
        camera.watch.Recorded();
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

// Polls every camera's subscription until the duration is over, an interrupt
// arrives or the CSV cannot be written; returns false in the last case. A
// subscription that fails or goes silent is restarted; the chart is redrawn
// at most every ChartFile::kRedrawInterval while rows come.
bool Poll(Recording& r, ChartFile& chartFile, bool& interrupted) {
    const std::optional<Milliseconds> duration = r.options.Duration();
    const Milliseconds interval = *ParseDuration(r.options.intervalText);
    Progress progress(r.out, duration, r.cameras.size() > 1);
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - start);
    };
    Milliseconds chartDrawn{0};
    std::size_t chartRows = 0;
    bool written = true;
    while (written) {
        for (RecordedCamera& camera : r.cameras) {
            written = PollRules(r, camera, progress);
            if (!written) break;
            const Milliseconds now = elapsed();
            const SubscriptionHealth health = ReadHealth(r.library, camera);
            camera.watch.Observe(health);
            progress.Health(camera, HealthText(health, camera.watch.SinceStart(now)));
            if (camera.watch.ShouldRestart(health, now)) {
                progress.Break();
                Restart(r.out, r.library, camera, health, camera.watch.SinceStart(now));
                camera.watch.Started(now, true);
            }
        }
        if (!written) break;
        progress.Draw(elapsed(), r.cameras, r.rows);
        if (!r.options.plot.empty() && r.rows != chartRows &&
            elapsed() - chartDrawn >= ChartFile::kRedrawInterval) {
            chartFile.Draw(ThermometryChartSvg(r.chart.sets(), ChartTitle(r.cameras, r.chart.sets()),
                                               NotesOf(r.options, "recording in progress")),
                           false);
            chartDrawn = elapsed();
            chartRows = r.rows;
        }
        const Milliseconds left = duration ? *duration - elapsed() : interval;
        if (left <= Milliseconds::zero()) break;
        if (!SleepUnlessInterrupted(std::min(interval, left))) {
            interrupted = true;
            break;
        }
    }
    progress.Break();
    return written;
}

}  // namespace

// Starts, polls and stops the subscriptions of logged-in cameras. The status
// of the recording itself (not of the logins).
int RecordLoggedIn(Recording& r, ChartFile& chartFile, bool& interrupted, bool& csvFailed) {
    const auto& api = r.library.api();
    int status = kExitOk;
    for (RecordedCamera& camera : r.cameras) {
        camera.subscribed = api.CamThermometryStart(camera.userId, camera.channel, 0) == 1;
        if (!camera.subscribed) {
            status = r.out.Fail(kExitFailed, "starting thermometry on " + camera.Label() + " failed",
                                r.library.LastFailure());
            break;
        }
    }
    if (status == kExitOk) {
        std::string names;
        for (const RecordedCamera& camera : r.cameras) names += (names.empty() ? "" : ", ") + camera.Label();
        const bool timed = r.options.Duration().has_value();
        r.out.Line("Recording " + names + (timed ? " for " + r.options.durationText : " until Ctrl+C") +
                   (r.options.csv.empty() ? "" : " into " + r.options.csv) +
                   (timed ? " (Ctrl+C ends it early)" : ""));
        if (!Poll(r, chartFile, interrupted)) {
            csvFailed = true;
            status = r.out.Error(kExitFailed,
                                 "writing " + r.options.csv + " failed (disk full?); recording ended");
        }
    }
    bool stopped = true;
    for (RecordedCamera& camera : r.cameras) {
        if (!camera.subscribed) continue;
        if (api.CamThermometryStop(camera.userId, camera.channel, 0) != 1) {
            stopped = false;
            const int failed =
                r.out.Fail(kExitFailed, "stopping thermometry on " + camera.Label() + " failed",
                           r.library.LastFailure());
            if (status == kExitOk) status = failed;
        }
    }
    r.out.Flag("interrupted", interrupted);
    r.out.Flag("stopped", stopped);
    r.out.Line(std::string(interrupted ? "Interrupted; " : "") + "subscription" +
               (r.cameras.size() > 1 ? "s " : " ") + (stopped ? "stopped" : "NOT stopped"));
    return status;
}

// Logs in to each camera (or takes the shell's login), records, and logs out
// of every camera it logged in to.
int RecordWithLogins(Recording& r, const Tool& tool, ChartFile& chartFile, CameraLibrary& library,
                     const std::string& password, bool& interrupted, bool& csvFailed) {
    int status = kExitOk;
    for (RecordedCamera& camera : r.cameras) {
        if (tool.shared != nullptr) {
            camera.userId = tool.shared->userId;
            continue;
        }
        camera.userId = LogIn(r.out, library, tool.connection, camera.address, password);
        camera.ownLogin = camera.userId >= 0;
        if (!camera.ownLogin) {
            status = kExitLoginFailed;
            break;
        }
    }
    // Ctrl+C during a login: out again without recording.
    if (status == kExitOk && platform::InterruptRequested()) status = kExitInterrupted;
    if (status == kExitOk) status = OpenFiles(r.out, r.options, r.csv, chartFile, r.chart);
    if (status == kExitOk && !r.options.plot.empty()) {
        // A whole chart from the start: a recorder killed before the first redraw leaves one too.
        chartFile.Draw(ThermometryChartSvg(r.chart.sets(), ChartTitle(r.cameras, r.chart.sets()),
                                           NotesOf(r.options, "recording in progress")),
                       false);
    }
    if (status == kExitOk) status = RecordLoggedIn(r, chartFile, interrupted, csvFailed);
    bool loggedOut = true;
    for (RecordedCamera& camera : r.cameras) {
        if (camera.ownLogin && !LogOut(r.out, library, camera.userId, camera.address)) loggedOut = false;
    }
    if (tool.shared == nullptr) r.out.Flag("logged_out", loggedOut);
    if (!loggedOut && status == kExitOk) status = kExitFailed;
    return status;
}

}  // namespace orvane_cli
