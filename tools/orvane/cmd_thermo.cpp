// orvane thermo record: subscribe to the thermometry of one or more cameras,
// write each new measurement of each measurement rule to a CSV file, draw them
// as an SVG chart (redrawn as the recording goes), watch alarm thresholds per
// rule, and end cleanly when the duration is over or on Ctrl+C. Files are
// checked before the recording and never silently overwritten; every login and
// subscription ends however the recording ends. A subscription the camera
// fails or that goes silent is restarted.
// orvane thermo rules: the rules a camera sends, with their newest readings.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "OrvaneLib.h"
#include "alarm_watch.hpp"
#include "exit_codes.hpp"
#include "host_clock.hpp"
#include "measurement.hpp"
#include "password.hpp"
#include "platform/terminal.hpp"
#include "record_summary.hpp"
#include "recording_file.hpp"
#include "rule_reading.hpp"
#include "subscription_watch.hpp"
#include "svg_chart.hpp"
#include "text_encoding.hpp"
#include "tool.hpp"
#include "waiting.hpp"

namespace orvane_cli {
namespace {

struct RecordOptions {
    std::vector<std::string> addressWords;  // given as words after "record"
    std::vector<std::string> addresses;     // given with -a
    std::vector<int32_t> channels;
    std::string durationText = "0";  // 0: until Ctrl+C
    std::string intervalText = "1s";
    std::string csv;
    std::string plot;
    bool force = false;
    bool append = false;
    double alarmAbove = 0;
    double alarmBelow = 0;
    CLI::Option* alarmAboveOption = nullptr;
    CLI::Option* alarmBelowOption = nullptr;
    std::vector<int32_t> rules;  // only these; all when empty

    std::optional<double> Above() const {
        return alarmAboveOption->count() != 0 ? std::optional<double>(alarmAbove) : std::nullopt;
    }
    std::optional<double> Below() const {
        return alarmBelowOption->count() != 0 ? std::optional<double>(alarmBelow) : std::nullopt;
    }
    // The duration, or nothing for a recording until Ctrl+C.
    std::optional<Milliseconds> Duration() const { return ParseDuration(durationText); }
    bool Keeps(int32_t rule) const {
        return rules.empty() || std::count(rules.begin(), rules.end(), rule) != 0;
    }

    ExistingFile policy() const {
        return force ? ExistingFile::kOverwrite : append ? ExistingFile::kAppend : ExistingFile::kRefuse;
    }
};

// The chart's data: one set per camera and rule, in the order first seen.
class ChartData {
public:
    std::vector<ChartSet>& sets() { return sets_; }
    // The set of `label`, made when new.
    ChartSet& Of(const std::string& label, bool point) {
        const auto found = index_.find(label);
        if (found != index_.end()) return sets_[found->second];
        index_.emplace(label, sets_.size());
        sets_.push_back(ChartSet{label, point, {}});
        return sets_.back();
    }
    bool empty() const { return sets_.empty(); }

private:
    std::vector<ChartSet> sets_;
    std::map<std::string, std::size_t> index_;
};

std::string RuleLabel(const std::string& camera, int32_t channel, const Measurement& m) {
    return camera + " ch " + std::to_string(channel) + " rule " + std::to_string(m.rule) + " " +
           RuleTypeName(m.type);
}

// What a recording saw of one rule of a camera.
struct RecordedRule {
    RecordedRule(std::optional<double> above, std::optional<double> below) : alarms(above, below) {}
    std::optional<Measurement> newest;
    int32_t events = 0;  // the library's count when it was read last
    RecordSummary summary;
    AlarmWatch alarms;
};

// One camera of a recording: its login, its subscription and what it gave.
struct RecordedCamera {
    std::string address;
    int32_t channel = 1;
    int32_t userId = -1;
    bool ownLogin = false;  // false when a shell session lent its login
    bool subscribed = false;
    std::map<int32_t, RecordedRule> rules;  // recorded rules, by ID
    std::map<int32_t, int32_t> skipped;     // rules left out (--rule): their count when read last
    std::size_t rows = 0;
    SubscriptionWatch watch;
    std::string health = "running";
    std::string lastHealth = "running";

    std::string Label() const { return address + " ch " + std::to_string(channel); }
};

std::string Readings(const Measurement& m) {
    if (m.IsPoint()) return "point " + Decimal(m.point, 2) + " °C";
    return "max " + Decimal(m.max, 2) + " °C  min " + Decimal(m.min, 2) + " °C  avg " + Decimal(m.avg, 2) +
           " °C";
}

// The live view: on a terminal one line per camera and rule (and one per camera
// that has sent nothing yet) under a line with the time, redrawn in place;
// plain lines otherwise.
class Progress {
public:
    Progress(const Output& out, std::optional<Milliseconds> duration, bool labelled)
        : out_(out),
          duration_(duration),
          labelled_(labelled),
          terminal_(!out.json() && out.level() != OutputLevel::kQuiet && platform::StdoutIsTerminal()) {}

    // A new measurement of one of the camera's rules (plain lines only).
    void Measured(const RecordedCamera& camera, const Measurement& m) {
        if (terminal_) return;
        out_.Line((labelled_ ? camera.Label() + "  " : "") + IsoDateTime(m.date, m.time) + "  rule " +
                  std::to_string(m.rule) + " " + RuleTypeName(m.type) + "  " + Readings(m));
    }
    // The camera's health after a poll (plain lines say when its kind changes).
    void Health(RecordedCamera& camera, const std::string& health) {
        camera.health = health;
        if (!terminal_ && Kind(health) != Kind(camera.lastHealth)) {
            out_.Line((labelled_ ? camera.Label() + "  " : "") + "subscription: " + health);
        }
        camera.lastHealth = health;
    }
    // Redraws the terminal's lines after a round of polls.
    void Draw(Milliseconds elapsed, const std::vector<RecordedCamera>& cameras, std::size_t rows) {
        if (!terminal_) return;
        std::vector<std::string> lines{"[" + ClockText(elapsed) +
                                       (duration_ ? " / " + ClockText(*duration_) : " (Ctrl+C ends it)") +
                                       "] " + std::to_string(rows) + " rows"};
        for (const RecordedCamera& camera : cameras) {
            const int64_t missed = camera.watch.missed();
            const std::string tail =
                (missed != 0 ? "  (" + std::to_string(missed) + " missed)" : "") + "  " + camera.health;
            if (camera.rules.empty()) lines.push_back("  " + camera.Label() + "  no measurement yet" + tail);
            for (const auto& [id, rule] : camera.rules) {
                const Measurement& m = *rule.newest;
                lines.push_back("  " + RuleLabel(camera.address, camera.channel, m) + "  " + Readings(m) +
                                "  " + ClockOfDay(SecondsSince2000(m.date, m.time)) + tail);
            }
        }
        platform::RewriteLines(drawn_, lines);
        drawn_ = lines.size();
    }
    // Before any other line, so that it does not land on the live lines.
    void Break() {
        if (drawn_ != 0) platform::WriteText(stdout, "\n");
        drawn_ = 0;
    }

private:
    // The health without its numbers: plain lines say when it changes, not
    // every second that the silence grows.
    static std::string Kind(const std::string& health) {
        return health.substr(0, health.find_first_of("0123456789"));
    }

    const Output& out_;
    std::optional<Milliseconds> duration_;
    bool labelled_;
    bool terminal_;
    std::size_t drawn_ = 0;
};

// The cameras the options name: each address with its channel.
std::vector<RecordedCamera> CamerasOf(Output& out, const Tool& tool, const RecordOptions& options,
                                      int& status) {
    std::vector<std::string> addresses = options.addressWords;
    addresses.insert(addresses.end(), options.addresses.begin(), options.addresses.end());
    const char* fromEnvironment = std::getenv("ORVANE_ADDRESS");
    if (addresses.empty() && fromEnvironment != nullptr && *fromEnvironment != '\0')
        addresses = {fromEnvironment};
    if (tool.shared != nullptr) {
        // A session records its own camera: address words may name it (once
        // per channel, as on the command line), no other.
        for (const std::string& word : options.addressWords) {
            const std::string problem = tool.shared->AddressProblem(word);
            if (!problem.empty()) {
                status = out.Error(kExitUsage, problem);
                return {};
            }
        }
        if (options.addressWords.empty()) addresses = {tool.shared->address};
    }
    std::vector<RecordedCamera> cameras;
    if (addresses.empty()) {
        status =
            out.Error(kExitUsage, "no camera address: give --address (or ORVANE_ADDRESS), once per camera");
        return cameras;
    }
    const auto& channels = options.channels;
    if (channels.size() > 1 && channels.size() != addresses.size()) {
        status = out.Error(kExitUsage, "give --channel once for all cameras or once per camera (" +
                                           std::to_string(addresses.size()) + " cameras, " +
                                           std::to_string(channels.size()) + " channels)");
        return {};
    }
    for (const int32_t rule : options.rules) {
        if (rule < 0 || rule > 255) {
            status = out.Error(kExitUsage, "--rule " + std::to_string(rule) + " is not a rule ID (0 to 255)");
            return {};
        }
    }
    std::set<std::pair<std::string, int32_t>> seen;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const int32_t channel = channels.empty() ? 1 : channels.size() == 1 ? channels[0] : channels[i];
        if (!seen.emplace(addresses[i], channel).second) {
            status = out.Error(kExitUsage,
                               addresses[i] + " channel " + std::to_string(channel) + " is named twice");
            return {};
        }
        cameras.push_back(RecordedCamera{addresses[i],
                                         channel,
                                         -1,
                                         false,
                                         false,
                                         {},
                                         {},
                                         0,
                                         SubscriptionWatch(*ParseDuration(options.intervalText))});
    }
    return cameras;
}

// The chart as the recording goes, and at its end. A regular file (or a new
// one) is replaced whole each time: written beside it, then renamed over it,
// so that a recorder killed at any moment leaves a whole chart. Anything else
// (a device, a pipe) is written once, at the end.
class ChartFile {
public:
    static constexpr Milliseconds kRedrawInterval{10000};

    bool Open(const std::string& path, ExistingFile policy, std::string& error) {
        path_ = path;
        std::error_code ignored;
        replaced_ =
            !std::filesystem::exists(path, ignored) || std::filesystem::is_regular_file(path, ignored);
        if (!file_.Open(path, policy, error)) return false;
        if (replaced_) file_.Close();
        return true;
    }
    // Writes the chart: a file that cannot be replaced only its final one.
    bool Draw(const std::string& svg, bool final) {
        if (!replaced_) return !final || (file_.Write(svg) && file_.Close());
        const std::string part = path_ + ".part";
        {
            std::ofstream out(part, std::ios::binary | std::ios::trunc);
            out << svg;
            out.close();
            if (!out) {
                std::error_code ignored;
                std::filesystem::remove(part, ignored);
                return false;
            }
        }
        std::error_code error;
        std::filesystem::rename(part, path_, error);
        if (error) std::filesystem::remove(part, error);
        return !error;
    }
    void Discard() { file_.Discard(); }

private:
    std::string path_;
    bool replaced_ = true;
    RecordingFile file_;
};

// The rows of a CSV appended to, for a chart of the whole file.
void ChartRowsOf(const std::string& csv, ChartData& chart) {
    std::ifstream in(csv, std::ios::binary);
    std::string line;
    std::getline(in, line);  // the header
    CsvRecord record;
    while (std::getline(in, line)) {
        if (!ParseCsvRow(line, record)) continue;
        chart.Of(RuleLabel(record.camera, record.channel, record.measurement), record.measurement.IsPoint())
            .measurements.push_back(record.measurement);
    }
}

// Opens the CSV (header only for a new or empty file) and the chart, before
// anything is recorded. kExitOk, or the failure's exit code after reporting it.
int OpenFiles(Output& out, const RecordOptions& options, RecordingFile& csv, ChartFile& chart,
              ChartData& data) {
    std::string error;
    if (!options.csv.empty()) {
        if (!csv.Open(options.csv, options.policy(), error)) return out.Error(kExitFailed, error);
        if (csv.hadContent() && csv.firstLine() != kCsvHeader) {
            csv.Close();
            return out.Error(kExitFailed,
                             options.csv + " has other columns than " + kCsvHeader + "; not appending to it");
        }
        if (csv.hadContent() && !options.plot.empty()) ChartRowsOf(options.csv, data);
        if (!csv.hadContent() && !csv.Write(std::string(kCsvHeader) + "\n")) {
            return out.Error(kExitFailed, "writing " + options.csv + " failed");
        }
    }
    // A chart cannot be appended to: --append, like --force, lets it be replaced.
    const ExistingFile chartPolicy =
        options.policy() == ExistingFile::kRefuse ? ExistingFile::kRefuse : ExistingFile::kOverwrite;
    if (!options.plot.empty() && !chart.Open(options.plot, chartPolicy, error)) {
        csv.Discard();
        return out.Error(kExitFailed, error);
    }
    return kExitOk;
}

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

// Everything a recording shares while it polls.
struct Recording {
    Output& out;
    const CameraLibrary& library;
    const RecordOptions& options;
    std::vector<RecordedCamera>& cameras;
    RecordingFile& csv;
    ChartData& chart;
    std::vector<std::string>& alarms;  // JSON objects
    std::size_t rows = 0;
};

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
    return ChartNotes{options.Above(), options.Below(), status};
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

// The summary of each camera and rule, as lines and as the JSON "cameras".
void Summarise(Output& out, const std::vector<RecordedCamera>& cameras) {
    std::string summaries = "[";
    int64_t missed = 0;
    int restarts = 0;
    for (const RecordedCamera& camera : cameras) {
        missed += camera.watch.missed();
        restarts += camera.watch.restarts();
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
        summaries += (summaries.size() > 1 ? ", " : "") +
                     Output::Object({{"camera", JsonString(camera.address)},
                                     {"channel", std::to_string(camera.channel)},
                                     {"rows", std::to_string(camera.rows)},
                                     {"rules", rules + "]"},
                                     {"restarts", std::to_string(camera.watch.restarts())},
                                     {"missed", std::to_string(camera.watch.missed())}});
        if (camera.subscribed) {
            const int n = camera.watch.restarts();
            out.Line("Subscription " + camera.Label() + ": " + std::to_string(n) + " restart" +
                     (n == 1 ? "" : "s") + " of the subscription, " + std::to_string(camera.watch.missed()) +
                     " measurements missed between polls" +
                     (camera.watch.missed() == 0 ? "" : " (a shorter --interval sees more of them)"));
        }
    }
    out.Raw("cameras", summaries + "]");
    out.Integer("missed", missed);
    out.Integer("restarts", restarts);
}

int Record(Output& out, const Tool& tool, const RecordOptions& options) {
    int status = kExitOk;
    std::vector<RecordedCamera> cameras = CamerasOf(out, tool, options, status);
    if (status != kExitOk) return status;
    // Refused files are refused before anything else happens, and stay untouched.
    // One file for both would hold the chart's text in place of the rows.
    if (!options.csv.empty() && !options.plot.empty() && RecordingFile::SameFile(options.csv, options.plot)) {
        return out.Error(kExitFailed, "--csv " + options.csv + " and --plot " + options.plot +
                                          " are the same file; give each its own");
    }
    std::string error;
    for (const std::string* path : {&options.csv, &options.plot}) {
        if (!path->empty() && (!RecordingFile::Permitted(*path, options.policy(), error) ||
                               !RecordingFile::Writable(*path, error))) {
            return out.Error(kExitFailed, error);
        }
    }
    std::string password;
    if (tool.shared == nullptr) {
        const auto resolved = ResolvePassword(out, tool.connection);
        if (!resolved) return kExitUsage;
        password = *resolved;
    }
    // From here on Ctrl+C ends the recording instead of the process.
    platform::WatchForInterrupt();
    RecordingFile csv;
    ChartFile chartFile;
    ChartData chart;
    std::vector<std::string> alarms;
    bool interrupted = false, csvFailed = false;
    std::size_t rows = 0;
    const auto withLibrary = [&](CameraLibrary& library) {
        Recording r{out, library, options, cameras, csv, chart, alarms};
        const int done = RecordWithLogins(r, tool, chartFile, library, password, interrupted, csvFailed);
        rows = r.rows;
        return done;
    };
    status = tool.shared != nullptr ? withLibrary(*tool.shared->library) : WithLibrary(out, withLibrary);

    Summarise(out, cameras);
    out.Integer("rows", static_cast<int64_t>(rows));
    out.Integer("alarms", static_cast<int64_t>(alarms.size()));
    std::string alarmList = "[";
    for (const std::string& alarm : alarms) alarmList += (alarmList.size() > 1 ? ", " : "") + alarm;
    out.Raw("alarm_list", alarmList + "]");
    if (!options.csv.empty()) {
        out.Text("csv", options.csv);
        if (!csv.Close() && status == kExitOk) {
            status = out.Error(kExitFailed, "writing " + options.csv + " failed (disk full?)");
        }
        out.Line(std::to_string(rows) + " rows in " + options.csv);
    }
    if (!options.plot.empty()) {
        if (status == kExitOk || rows != 0) {
            const std::string ended = csvFailed ? "ended early: the CSV could not be written"
                                      : interrupted && options.Duration() ? "ended early: interrupted"
                                      : status != kExitOk                 ? "ended early: failed"
                                                                          : "";
            const int drawn = DrawChart(out, options, cameras, chart, chartFile, ended);
            if (status == kExitOk) status = drawn;
        } else {
            chartFile.Discard();
        }
    }
    if (status == kExitOk && !alarms.empty()) {
        const std::size_t n = alarms.size();
        out.Error(kExitAlarm, std::to_string(n) + " alarm" + (n == 1 ? "" : "s") + " fired");
        return kExitAlarm;
    }
    return status;
}

// orvane thermo rules: subscribes for a while and lists each rule the camera sent.
struct RulesOptions {
    int32_t channel = 1;
    std::string forText = "3s";
};

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

}  // namespace

void AddThermoCommands(CLI::App& app, Tool& tool) {
    auto* thermo = app.add_subcommand("thermo", "Thermometry");
    thermo->require_subcommand(1);
    auto* rules = thermo->add_subcommand(
        "rules", "List the measurement rules a camera sends, with their newest readings");
    auto rulesOptions = std::make_shared<RulesOptions>();
    AddConnectionOptions(*rules, tool);
    AddAddressPositional(*rules, tool);
    rules->add_option("-c,--channel", rulesOptions->channel, "Channel")->capture_default_str();
    rules->add_option("--for", rulesOptions->forText, "How long to listen for measurements")
        ->check(DurationValidator())
        ->capture_default_str();
    rules->callback([&tool, rulesOptions] {
        tool.run = [&tool, rulesOptions](Output& out) { return ListRules(out, tool, *rulesOptions); };
    });

    auto* record = thermo->add_subcommand(
        "record", "Record the thermometry of one or more cameras into a CSV file and/or a chart");
    auto options = std::make_shared<RecordOptions>();
    // (ORVANE_ADDRESS is read only when no address is given either way.)
    record->add_option("address", options->addressWords, "Camera addresses, as words (same as --address)");
    if (tool.shared == nullptr) {
        record
            ->add_option("-a,--address", options->addresses,
                         "Camera address (or ORVANE_ADDRESS); repeat it for several cameras")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        AddLoginOptions(*record, tool.connection);
    }
    record
        ->add_option("-c,--channel", options->channels,
                     "Channel (1): once for all cameras, or once per camera")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    record
        ->add_option("-d,--duration", options->durationText,
                     "How long to record (10m, 90s, 1h, ...); 0 or none: until Ctrl+C")
        ->check(DurationValidator(true));
    record->add_option("--rule", options->rules, "Record only this measurement rule; repeat it for several")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    record->add_option("--csv", options->csv, "CSV file to write (one row per measurement of a rule)");
    record->add_option("--plot", options->plot, "SVG chart, redrawn as the recording goes");
    auto* force = record->add_flag("--force", options->force, "Write over an existing CSV file and chart");
    record
        ->add_flag(
            "--append", options->append,
            "Add rows to an existing CSV file (header only for a new one); the chart shows the whole file")
        ->excludes(force);
    options->alarmAboveOption = record->add_option(
        "--alarm-above", options->alarmAbove,
        "Print an alarm when a rule's max (a point's reading) rises above this many °C (exit 5)");
    options->alarmBelowOption = record->add_option(
        "--alarm-below", options->alarmBelow,
        "Print an alarm when a rule's min (a point's reading) falls below this many °C (exit 5)");
    record->add_option("--interval", options->intervalText, "How often to poll for a new measurement")
        ->check(DurationValidator())
        ->capture_default_str();
    record->callback([&tool, options] {
        tool.run = [&tool, options](Output& out) { return Record(out, tool, *options); };
    });
}

}  // namespace orvane_cli
