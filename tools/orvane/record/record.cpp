// orvane thermo record: subscribe to the thermometry of one or more cameras,
// write each new measurement of each measurement rule to a CSV file, draw them
// as an SVG chart (redrawn as the recording goes), watch alarm thresholds per
// rule, and end cleanly when the duration is over or on Ctrl+C. Files are
// checked before the recording and never silently overwritten; every login and
// subscription ends however the recording ends. A subscription the camera
// fails or that goes silent is restarted.
#include "record/record.hpp"

#include "commands/exit_codes.hpp"
#include "commands/password.hpp"
#include "library/text_encoding.hpp"
#include "platform/terminal.hpp"
#include "record/recording.hpp"

namespace orvane_cli {

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

}  // namespace orvane_cli
