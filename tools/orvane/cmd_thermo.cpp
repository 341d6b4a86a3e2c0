// orvane thermo record: subscribe to a channel's thermometry, write each new
// measurement to a CSV file, optionally draw it as an SVG chart, and end cleanly
// when the duration is over or on Ctrl+C. A subscription the camera fails or
// that goes silent is restarted.
#include <bit>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include "exit_codes.hpp"
#include "measurement.hpp"
#include "platform/terminal.hpp"
#include "subscription_watch.hpp"
#include "svg_chart.hpp"
#include "tool.hpp"
#include "waiting.hpp"

namespace orvane_cli {
namespace {

struct RecordOptions {
    int32_t channel = 1;
    std::string durationText = "10m";
    std::string intervalText = "1s";
    std::string csv;
    std::string plot;
};

// The live line on a terminal, rewritten in place; plain lines otherwise.
class Progress {
public:
    Progress(const Output& out, Milliseconds duration)
        : out_(out), duration_(duration), terminal_(!out.json() && platform::StdoutIsTerminal()) {}

    // A new measurement, or only a change of the subscription's health.
    void Update(Milliseconds elapsed, const Measurement* m, std::size_t rows, const std::string& health) {
        if (m != nullptr) {
            readings_ = "max " + Decimal(m->max, 2) + " °C  min " + Decimal(m->min, 2) + " °C  avg " +
                        Decimal(m->avg, 2) + " °C";
        }
        if (terminal_) {
            std::printf("\r[%s / %s] %s  (%zu rows)  %s   ", ClockText(elapsed).c_str(),
                        ClockText(duration_).c_str(), readings_.c_str(), rows, health.c_str());
            std::fflush(stdout);
            lineOpen_ = true;
        } else if (m != nullptr) {
            out_.Line(IsoDateTime(m->date, m->time) + "  " + readings_);
        } else if (Kind(health) != Kind(lastHealth_)) {
            out_.Line("subscription: " + health);
        }
        lastHealth_ = health;
    }
    void End() {
        if (lineOpen_) std::fputc('\n', stdout);
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
    bool terminal_;
    bool lineOpen_ = false;
    std::string readings_ = "no measurement yet";
    std::string lastHealth_ = "running";
};

SubscriptionHealth ReadHealth(const CameraLibrary& library, int32_t userId, int32_t channel) {
    SubscriptionHealth h;
    h.known = library.api().CamThermometryStatus(userId, channel, &h.state, &h.dataEvents, &h.msSinceData,
                                                 &h.cameraCode, 0) == 1;
    return h;
}

// Stops what is left of the subscription and starts it again. False when the
// library refused the start (the watch tries again later).
bool Restart(const CameraLibrary& library, Output& out, int32_t userId, int32_t channel,
             const SubscriptionHealth& health, Milliseconds sinceStart) {
    out.Warn("restarting the subscription: " + HealthText(health, sinceStart));
    library.api().CamThermometryStop(userId, channel, 0);
    if (library.api().CamThermometryStart(userId, channel, 0) == 1) return true;
    out.Warn("restarting the subscription failed: " + FailureLine(library.LastFailure()));
    return false;
}

bool WriteFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    return static_cast<bool>(file);
}

// Polls the subscription until the duration is over or an interrupt arrives,
// appending each new measurement and restarting the subscription when it fails.
// False when the CSV file could not be written.
bool Poll(const CameraLibrary& library, Output& out, int32_t userId, const RecordOptions& options,
          std::ofstream& csv, Progress& progress, SubscriptionWatch& watch, std::vector<Measurement>& rows,
          bool& interrupted) {
    const Milliseconds duration = *ParseDuration(options.durationText);
    const Milliseconds interval = *ParseDuration(options.intervalText);
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - start);
    };
    while (true) {
        Measurement m;
        uint32_t maxBits = 0, minBits = 0, avgBits = 0;
        bool added = false;
        if (library.api().CamThermometryRead(userId, options.channel, &m.date, &m.time, &maxBits, &minBits,
                                             &avgBits, 0) == 1) {
            m.max = std::bit_cast<float>(maxBits);
            m.min = std::bit_cast<float>(minBits);
            m.avg = std::bit_cast<float>(avgBits);
            // The library returns the newest measurement; a new one differs from the last.
            if (rows.empty() || !(rows.back() == m)) {
                rows.push_back(m);
                csv << CsvRow(m) << '\n';
                csv.flush();
                if (!csv) return false;
                added = true;
            }
        }
        const Milliseconds now = elapsed();
        const SubscriptionHealth health = ReadHealth(library, userId, options.channel);
        progress.Update(now, added ? &m : nullptr, rows.size(), HealthText(health, watch.SinceStart(now)));
        if (watch.ShouldRestart(health, now)) {
            Restart(library, out, userId, options.channel, health, watch.SinceStart(now));
            watch.Started(now, true);
        }
        const Milliseconds left = duration - elapsed();
        if (left <= Milliseconds::zero()) return true;
        if (!SleepUnlessInterrupted(std::min(interval, left))) {
            interrupted = true;
            return true;
        }
    }
}

int Record(Output& out, const Connection& connection, const RecordOptions& options) {
    std::ofstream csv(options.csv, std::ios::binary | std::ios::trunc);
    if (!csv) {
        out.Warn("cannot create " + options.csv);
        out.Text("error", "cannot create " + options.csv);
        return kExitFailed;
    }
    csv << kCsvHeader << '\n';
    csv.flush();
    // From here on Ctrl+C ends the recording instead of the process.
    platform::WatchForInterrupt();
    std::vector<Measurement> rows;
    const int result = WithLogin(out, connection, [&](CameraLibrary& library, int32_t userId) {
        const auto& api = library.api();
        if (api.CamThermometryStart(userId, options.channel, 0) != 1) {
            return out.Fail(kExitFailed,
                            "starting thermometry on channel " + std::to_string(options.channel) + " failed",
                            library.LastFailure());
        }
        out.Line("Recording channel " + std::to_string(options.channel) + " for " + options.durationText +
                 " into " + options.csv + " (Ctrl+C ends it early)");
        Progress progress(out, *ParseDuration(options.durationText));
        SubscriptionWatch watch(*ParseDuration(options.intervalText));
        bool interrupted = false;
        const bool written = Poll(library, out, userId, options, csv, progress, watch, rows, interrupted);
        progress.End();
        out.Integer("restarts", watch.restarts());
        out.Line(std::to_string(watch.restarts()) + " restart" + (watch.restarts() == 1 ? "" : "s") +
                 " of the subscription");
        int status = kExitOk;
        if (!written) {
            out.Warn("writing " + options.csv + " failed");
            out.Text("error", "writing " + options.csv + " failed");
            status = kExitFailed;
        }
        const bool stopped = api.CamThermometryStop(userId, options.channel, 0) == 1;
        out.Flag("interrupted", interrupted);
        out.Flag("stopped", stopped);
        if (!stopped) {
            const int failed = out.Fail(kExitFailed, "stopping thermometry failed", library.LastFailure());
            if (status == kExitOk) status = failed;
        }
        out.Line(std::string(interrupted ? "Interrupted; " : "") + "subscription " +
                 (stopped ? "stopped" : "NOT stopped"));
        return status;
    });
    csv.close();
    out.Text("csv", options.csv);
    out.Integer("rows", static_cast<int64_t>(rows.size()));
    out.Line(std::to_string(rows.size()) + " rows in " + options.csv);
    if (!options.plot.empty() && !rows.empty()) {
        const std::string title = "Thermometry, channel " + std::to_string(options.channel) + ", " +
                                  IsoDateTime(rows.front().date, rows.front().time) + " to " +
                                  IsoDateTime(rows.back().date, rows.back().time);
        if (WriteFile(options.plot, ThermometryChartSvg(rows, title))) {
            out.Text("plot", options.plot);
            out.Line("Chart in " + options.plot);
        } else {
            out.Warn("cannot write the chart " + options.plot);
            return result == kExitOk ? static_cast<int>(kExitFailed) : result;
        }
    } else if (!options.plot.empty()) {
        out.Warn("no measurements arrived, so no chart was drawn");
    }
    return result;
}

}  // namespace

void AddThermoCommands(CLI::App& app, Tool& tool) {
    auto* thermo = app.add_subcommand("thermo", "Thermometry");
    thermo->require_subcommand(1);
    auto* record =
        thermo->add_subcommand("record", "Record a channel's thermometry into a CSV file (and a chart)");
    auto options = std::make_shared<RecordOptions>();
    AddConnectionOptions(*record, tool.connection);
    record->add_option("-c,--channel", options->channel, "Channel")->capture_default_str();
    record->add_option("-d,--duration", options->durationText, "How long to record (10m, 90s, 1h, ...)")
        ->check(DurationValidator())
        ->capture_default_str();
    record->add_option("--csv", options->csv, "CSV file to write")->required();
    record->add_option("--plot", options->plot, "SVG chart to draw when the recording ends");
    record->add_option("--interval", options->intervalText, "How often to poll for a new measurement")
        ->check(DurationValidator())
        ->capture_default_str();
    record->callback([&tool, options] {
        tool.run = [&tool, options](Output& out) { return Record(out, tool.connection, *options); };
    });
}

}  // namespace orvane_cli
