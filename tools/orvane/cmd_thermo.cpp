// orvane thermo record: subscribe to the thermometry of one or more cameras,
// write each new measurement to a CSV file, optionally draw them as an SVG
// chart, watch alarm thresholds, and end cleanly when the duration is over or
// on Ctrl+C. Files are checked before the recording and never silently
// overwritten; every login and subscription ends however the recording ends.
// A subscription the camera fails or that goes silent is restarted.
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

#include "alarm_watch.hpp"
#include "exit_codes.hpp"
#include "host_clock.hpp"
#include "measurement.hpp"
#include "password.hpp"
#include "platform/terminal.hpp"
#include "record_summary.hpp"
#include "recording_file.hpp"
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
    std::string durationText = "10m";
    std::string intervalText = "1s";
    std::string csv;
    std::string plot;
    bool force = false;
    bool append = false;
    double alarmAbove = 0;
    double alarmBelow = 0;
    CLI::Option* alarmAboveOption = nullptr;
    CLI::Option* alarmBelowOption = nullptr;

    ExistingFile policy() const {
        return force ? ExistingFile::kOverwrite : append ? ExistingFile::kAppend : ExistingFile::kRefuse;
    }
};

// One camera of a recording: its login, its subscription and what it gave.
struct RecordedCamera {
    std::string address;
    int32_t channel = 1;
    int32_t userId = -1;
    bool ownLogin = false;  // false when a shell session lent its login
    bool subscribed = false;
    std::vector<Measurement> rows;
    RecordSummary summary;
    AlarmWatch alarms;
    SubscriptionWatch watch;
    std::string lastHealth = "running";

    std::string Label() const { return address + " ch " + std::to_string(channel); }
};

// The live line on a terminal, rewritten in place; plain lines otherwise.
class Progress {
public:
    Progress(const Output& out, Milliseconds duration, bool labelled)
        : out_(out),
          duration_(duration),
          labelled_(labelled),
          terminal_(!out.json() && out.level() != OutputLevel::kQuiet && platform::StdoutIsTerminal()) {}

    // A new measurement of the camera (`added`), or only its health.
    void Update(Milliseconds elapsed, RecordedCamera& camera, bool added, std::size_t rows,
                const std::string& health) {
        std::string readings = "no measurement yet";
        if (!camera.rows.empty()) {
            const Measurement& m = camera.rows.back();
            readings = "max " + Decimal(m.max, 2) + " °C  min " + Decimal(m.min, 2) + " °C  avg " +
                       Decimal(m.avg, 2) + " °C";
        }
        const std::string label = labelled_ ? camera.Label() + "  " : "";
        if (terminal_) {
            const int64_t missed = camera.watch.missed();
            const std::string counts = std::to_string(rows) + " rows" +
                                       (missed != 0 ? ", " + std::to_string(missed) + " missed" : "");
            platform::WriteText(stdout, "\r[" + ClockText(elapsed) + " / " + ClockText(duration_) + "] " +
                                            label + readings + "  (" + counts + ")  " + health + "   ");
            lineOpen_ = true;
        } else if (added) {
            const Measurement& m = camera.rows.back();
            out_.Line(label + IsoDateTime(m.date, m.time) + "  " + readings);
        } else if (Kind(health) != Kind(camera.lastHealth)) {
            out_.Line(label + "subscription: " + health);
        }
        camera.lastHealth = health;
    }
    // Before any other line, so that it does not land on the live line.
    void Break() {
        if (lineOpen_) platform::WriteText(stdout, "\n");
        lineOpen_ = false;
    }

private:
    // The health without its numbers: plain lines say when it changes, not
    // every second that the silence grows.
    static std::string Kind(const std::string& health) {
        return health.substr(0, health.find_first_of("0123456789"));
    }

    const Output& out_;
    Milliseconds duration_;
    bool labelled_;
    bool terminal_;
    bool lineOpen_ = false;
};

// The cameras the options name: each address with its channel.
std::vector<RecordedCamera> CamerasOf(Output& out, const Tool& tool, const RecordOptions& options,
                                      int& status) {
    std::vector<std::string> addresses = options.addressWords;
    addresses.insert(addresses.end(), options.addresses.begin(), options.addresses.end());
    const char* fromEnvironment = std::getenv("ORVANE_ADDRESS");
    if (addresses.empty() && fromEnvironment != nullptr && *fromEnvironment != '\0')
        addresses = {fromEnvironment};
    if (tool.shared != nullptr) addresses = {tool.shared->address};
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
    const std::optional<double> above =
        options.alarmAboveOption->count() != 0 ? std::optional<double>(options.alarmAbove) : std::nullopt;
    const std::optional<double> below =
        options.alarmBelowOption->count() != 0 ? std::optional<double>(options.alarmBelow) : std::nullopt;
    std::set<std::pair<std::string, int32_t>> seen;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const int32_t channel = channels.empty() ? 1 : channels.size() == 1 ? channels[0] : channels[i];
        if (!seen.emplace(addresses[i], channel).second) {
            status = out.Error(kExitUsage,
                               addresses[i] + " channel " + std::to_string(channel) + " is named twice");
            return {};
        }
        RecordedCamera camera{addresses[i],
                              channel,
                              -1,
                              false,
                              false,
                              {},
                              {},
                              AlarmWatch(above, below),
                              SubscriptionWatch(*ParseDuration(options.intervalText))};
        cameras.push_back(std::move(camera));
    }
    return cameras;
}

// Opens the CSV (header only for a new or empty file) and the chart, before
// anything is recorded. kExitOk, or the failure's exit code after reporting it.
int OpenFiles(Output& out, const RecordOptions& options, RecordingFile& csv, RecordingFile& chart) {
    std::string error;
    if (!options.csv.empty()) {
        if (!csv.Open(options.csv, options.policy(), error)) return out.Error(kExitFailed, error);
        if (csv.hadContent() && csv.firstLine() != kCsvHeader) {
            csv.Close();
            return out.Error(kExitFailed,
                             options.csv + " has other columns than " + kCsvHeader + "; not appending to it");
        }
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
    SubscriptionHealth h;
    h.known = library.api().CamThermometryStatus(camera.userId, camera.channel, &h.state, &h.dataEvents,
                                                 &h.msSinceData, &h.cameraCode, 0) == 1;
    return h;
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

// Polls every camera's subscription until the duration is over, an interrupt
// arrives or the CSV cannot be written; returns false in the last case. A
// subscription that fails or goes silent is restarted.
bool Poll(Output& out, const CameraLibrary& library, const RecordOptions& options,
          std::vector<RecordedCamera>& cameras, RecordingFile& csv, bool& interrupted) {
    const Milliseconds duration = *ParseDuration(options.durationText);
    const Milliseconds interval = *ParseDuration(options.intervalText);
    Progress progress(out, duration, cameras.size() > 1);
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - start);
    };
    std::size_t total = 0;
    bool written = true;
    while (written) {
        for (RecordedCamera& camera : cameras) {
            Measurement m;
            uint32_t maxBits = 0, minBits = 0, avgBits = 0;
            bool added = false;
            if (library.api().CamThermometryRead(camera.userId, camera.channel, &m.date, &m.time, &maxBits,
                                                 &minBits, &avgBits, 0) == 1) {
                m.max = std::bit_cast<float>(maxBits);
                m.min = std::bit_cast<float>(minBits);
                m.avg = std::bit_cast<float>(avgBits);
                // The library returns the newest measurement; a new one differs from the last.
                added = camera.rows.empty() || !(camera.rows.back() == m);
            }
            if (added) {
                camera.rows.push_back(m);
                camera.summary.Add(m);
                camera.watch.Recorded();
                ++total;
                if (!options.csv.empty() &&
                    !csv.Write(CsvRow(camera.address, camera.channel, m, HostTimeNow()) + "\n")) {
                    written = false;
                    break;
                }
            }
            const Milliseconds now = elapsed();
            const SubscriptionHealth health = ReadHealth(library, camera);
            camera.watch.Observe(health);
            progress.Update(now, camera, added, total, HealthText(health, camera.watch.SinceStart(now)));
            if (added) {
                for (const std::string& alarm : camera.alarms.Check(m)) {
                    progress.Break();
                    out.Notice((cameras.size() > 1 ? camera.Label() + " " : "") + alarm);
                }
            }
            if (camera.watch.ShouldRestart(health, now)) {
                progress.Break();
                Restart(out, library, camera, health, camera.watch.SinceStart(now));
                camera.watch.Started(now, true);
            }
        }
        if (!written) break;
        const Milliseconds left = duration - elapsed();
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
int RecordLoggedIn(Output& out, const CameraLibrary& library, const RecordOptions& options,
                   std::vector<RecordedCamera>& cameras, RecordingFile& csv) {
    const auto& api = library.api();
    int status = kExitOk;
    for (RecordedCamera& camera : cameras) {
        camera.subscribed = api.CamThermometryStart(camera.userId, camera.channel, 0) == 1;
        if (!camera.subscribed) {
            status = out.Fail(kExitFailed, "starting thermometry on " + camera.Label() + " failed",
                              library.LastFailure());
            break;
        }
    }
    bool interrupted = false;
    if (status == kExitOk) {
        std::string names;
        for (const RecordedCamera& camera : cameras) names += (names.empty() ? "" : ", ") + camera.Label();
        out.Line("Recording " + names + " for " + options.durationText +
                 (options.csv.empty() ? "" : " into " + options.csv) + " (Ctrl+C ends it early)");
        if (!Poll(out, library, options, cameras, csv, interrupted)) {
            status =
                out.Error(kExitFailed, "writing " + options.csv + " failed (disk full?); recording ended");
        }
    }
    bool stopped = true;
    for (RecordedCamera& camera : cameras) {
        if (!camera.subscribed) continue;
        if (api.CamThermometryStop(camera.userId, camera.channel, 0) != 1) {
            stopped = false;
            const int failed = out.Fail(kExitFailed, "stopping thermometry on " + camera.Label() + " failed",
                                        library.LastFailure());
            if (status == kExitOk) status = failed;
        }
    }
    out.Flag("interrupted", interrupted);
    out.Flag("stopped", stopped);
    out.Line(std::string(interrupted ? "Interrupted; " : "") + "subscription" +
             (cameras.size() > 1 ? "s " : " ") + (stopped ? "stopped" : "NOT stopped"));
    return status;
}

// Logs in to each camera (or takes the shell's login), records, and logs out
// of every camera it logged in to.
int RecordWithLogins(Output& out, const Tool& tool, const RecordOptions& options,
                     std::vector<RecordedCamera>& cameras, RecordingFile& csv, RecordingFile& chart,
                     CameraLibrary& library, const std::string& password) {
    int status = kExitOk;
    for (RecordedCamera& camera : cameras) {
        if (tool.shared != nullptr) {
            camera.userId = tool.shared->userId;
            continue;
        }
        camera.userId = LogIn(out, library, tool.connection, camera.address, password);
        camera.ownLogin = camera.userId >= 0;
        if (!camera.ownLogin) {
            status = kExitLoginFailed;
            break;
        }
    }
    // Ctrl+C during a login: out again without recording.
    if (status == kExitOk && platform::InterruptRequested()) status = kExitInterrupted;
    if (status == kExitOk) status = OpenFiles(out, options, csv, chart);
    if (status == kExitOk) status = RecordLoggedIn(out, library, options, cameras, csv);
    bool loggedOut = true;
    for (RecordedCamera& camera : cameras) {
        if (camera.ownLogin && !LogOut(out, library, camera.userId, camera.address)) loggedOut = false;
    }
    if (tool.shared == nullptr) out.Flag("logged_out", loggedOut);
    if (!loggedOut && status == kExitOk) status = kExitFailed;
    return status;
}

// The chart of what was recorded, into the file opened before the recording.
int DrawChart(Output& out, const RecordOptions& options, const std::vector<RecordedCamera>& cameras,
              RecordingFile& chart) {
    std::vector<ChartCamera> series;
    std::string from, to, names;
    for (const RecordedCamera& camera : cameras) {
        names += (names.empty() ? "" : ", ") + camera.Label();
        if (camera.rows.empty()) continue;
        series.push_back(ChartCamera{camera.Label(), camera.rows});
        const std::string first = IsoDateTime(camera.rows.front().date, camera.rows.front().time);
        const std::string last = IsoDateTime(camera.rows.back().date, camera.rows.back().time);
        if (from.empty() || first < from) from = first;
        if (to.empty() || last > to) to = last;
    }
    if (series.empty()) {
        chart.Discard();
        out.Warn("no measurements arrived, so no chart was drawn");
        return kExitOk;
    }
    const std::string title = "Thermometry, " + names + ", " + from + " to " + to;
    if (!chart.Write(ThermometryChartSvg(series, title)) || !chart.Close()) {
        return out.Error(kExitFailed, "writing the chart " + options.plot + " failed (disk full?)");
    }
    out.Text("plot", options.plot);
    out.Line("Chart in " + options.plot);
    return kExitOk;
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
    RecordingFile csv, chart;
    const auto withLibrary = [&](CameraLibrary& library) {
        return RecordWithLogins(out, tool, options, cameras, csv, chart, library, password);
    };
    status = tool.shared != nullptr ? withLibrary(*tool.shared->library) : WithLibrary(out, withLibrary);

    std::size_t rows = 0;
    int alarms = 0;
    int restarts = 0;
    int64_t missed = 0;
    std::string summaries = "[";
    for (const RecordedCamera& camera : cameras) {
        rows += camera.rows.size();
        alarms += camera.alarms.fired();
        restarts += camera.watch.restarts();
        missed += camera.watch.missed();
        auto fields = camera.summary.JsonFields();
        fields.insert(fields.begin(),
                      {{"camera", JsonString(camera.address)}, {"channel", std::to_string(camera.channel)}});
        fields.emplace_back("restarts", std::to_string(camera.watch.restarts()));
        fields.emplace_back("missed", std::to_string(camera.watch.missed()));
        summaries += (summaries.size() > 1 ? ", " : "") + Output::Object(fields);
        if (camera.subscribed) {
            const int n = camera.watch.restarts();
            out.Line("Summary " + camera.Label() + ": " + camera.summary.Text() + ", " + std::to_string(n) +
                     " restart" + (n == 1 ? "" : "s") + " of the subscription, " +
                     std::to_string(camera.watch.missed()) + " measurements missed between polls");
        }
    }
    out.Raw("cameras", summaries + "]");
    out.Integer("rows", static_cast<int64_t>(rows));
    out.Integer("missed", missed);
    out.Integer("alarms", alarms);
    out.Integer("restarts", restarts);
    if (!options.csv.empty()) {
        out.Text("csv", options.csv);
        if (!csv.Close() && status == kExitOk) {
            status = out.Error(kExitFailed, "writing " + options.csv + " failed (disk full?)");
        }
        out.Line(std::to_string(rows) + " rows in " + options.csv);
    }
    if (!options.plot.empty()) {
        if (status == kExitOk || rows != 0) {
            const int drawn = DrawChart(out, options, cameras, chart);
            if (status == kExitOk) status = drawn;
        } else {
            chart.Discard();
        }
    }
    if (status == kExitOk && alarms != 0) {
        out.Error(kExitAlarm, std::to_string(alarms) + " alarm" + (alarms == 1 ? "" : "s") + " fired");
        return kExitAlarm;
    }
    return status;
}

}  // namespace

void AddThermoCommands(CLI::App& app, Tool& tool) {
    auto* thermo = app.add_subcommand("thermo", "Thermometry");
    thermo->require_subcommand(1);
    auto* record = thermo->add_subcommand(
        "record", "Record the thermometry of one or more cameras into a CSV file and/or a chart");
    auto options = std::make_shared<RecordOptions>();
    if (tool.shared == nullptr) {
        // (ORVANE_ADDRESS is read only when no address is given either way.)
        record->add_option("address", options->addressWords,
                           "Camera addresses, as words (same as --address)");
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
    record->add_option("-d,--duration", options->durationText, "How long to record (10m, 90s, 1h, ...)")
        ->check(DurationValidator())
        ->capture_default_str();
    record->add_option("--csv", options->csv, "CSV file to write (one row per measurement)");
    record->add_option("--plot", options->plot, "SVG chart to draw when the recording ends");
    auto* force = record->add_flag("--force", options->force, "Write over an existing CSV file and chart");
    record
        ->add_flag("--append", options->append,
                   "Add rows to an existing CSV file (header only for a new one)")
        ->excludes(force);
    options->alarmAboveOption =
        record->add_option("--alarm-above", options->alarmAbove,
                           "Print an alarm when the max rises above this many °C (exit 5)");
    options->alarmBelowOption =
        record->add_option("--alarm-below", options->alarmBelow,
                           "Print an alarm when the min falls below this many °C (exit 5)");
    record->add_option("--interval", options->intervalText, "How often to poll for a new measurement")
        ->check(DurationValidator())
        ->capture_default_str();
    record->callback([&tool, options] {
        tool.run = [&tool, options](Output& out) { return Record(out, tool, *options); };
    });
}

}  // namespace orvane_cli
