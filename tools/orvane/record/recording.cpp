// The recording itself: the logins, one watch per camera address (the core
// that serve runs on too: restarts, logins again, back-off, what is current),
// a round of polls per interval, and the end of every subscription and login.
#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "clock/waiting.hpp"
#include "commands/exit_codes.hpp"
#include "platform/terminal.hpp"
#include "record/live_progress.hpp"
#include "record/recording.hpp"
#include "watch/fleet_watch.hpp"

namespace orvane_cli {
namespace {

// The watch's log lines, from the poll and the workers alike: printed by the
// recording's own thread between its live lines.
class LogQueue {
public:
    void Add(const std::string& line) {
        const std::lock_guard lock(mutex_);
        lines_.push_back(line);
    }
    void Print(const Output& out, Progress& progress) {
        std::deque<std::string> lines;
        {
            const std::lock_guard lock(mutex_);
            lines.swap(lines_);
        }
        if (!lines.empty()) progress.Break();
        for (const std::string& line : lines) out.Warn(line);
    }

private:
    std::mutex mutex_;
    std::deque<std::string> lines_;
};

// The newest view of each watch: from the round's polls, or from a worker that finished a job.
class LatestViews {
public:
    explicit LatestViews(std::size_t count) : views_(count) {}
    void Set(std::size_t watch, CameraView view) {
        const std::lock_guard lock(mutex_);
        views_.at(watch) = std::move(view);
    }
    std::vector<std::optional<CameraView>> Take() {
        const std::lock_guard lock(mutex_);
        std::vector<std::optional<CameraView>> taken(views_.size());
        taken.swap(views_);
        return taken;
    }

private:
    std::mutex mutex_;
    std::vector<std::optional<CameraView>> views_;
};

// The watches' views into the cameras of the recording, and their rows.
bool TakeViews(Recording& r, LatestViews& latest, Progress& progress) {
    const auto views = latest.Take();
    for (RecordedCamera& camera : r.cameras) {
        const std::optional<CameraView>& view = views[camera.watch];
        if (!view) continue;
        camera.view = view->channels.at(camera.watched);
        camera.camera = *view;
        camera.camera.channels.clear();
        if (!RecordRows(r, camera, progress)) return false;
        progress.Health(camera, ChannelHealth(camera));
    }
    return true;
}

// Polls every camera until the duration is over, an interrupt arrives or the
// CSV cannot be written; returns false in the last case. The chart is redrawn
// at most every ChartFile::kRedrawInterval while rows come.
bool Poll(Recording& r, FleetWatch& fleet, LatestViews& latest, LogQueue& log, ChartFile& chartFile,
          bool& interrupted) {
    const std::optional<Milliseconds> duration = r.options.Duration();
    const Milliseconds interval = *ParseDuration(r.options.intervalText);
    Progress progress(r.out, duration, r.cameras.size() > 1);
    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - start);
    };
    Milliseconds chartDrawn{0};
    std::size_t chartRows = 0;
    for (;;) {
        for (auto& [watch, view] : fleet.PollOnce()) latest.Set(watch, std::move(view));
        log.Print(r.out, progress);
        if (!TakeViews(r, latest, progress)) {
            progress.Break();
            return false;
        }
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
    return true;
}

// Starts every channel of every login; on a refusal, stops those
// started and reports it. The recording's status.
int StartAll(Recording& r, const std::vector<int32_t>& userIds) {
    const auto& api = r.library.api();
    std::vector<std::pair<int32_t, int32_t>> started;
    for (const RecordedCamera& camera : r.cameras) {
        const int32_t userId = userIds[camera.watch];
        if (api.CamThermometryStart(userId, camera.channel, 0) == 1) {
            started.emplace_back(userId, camera.channel);
            continue;
        }
        const int failed = r.out.Fail(kExitFailed, "starting thermometry on " + camera.Label() + " failed",
                                      r.library.LastFailure());
        for (const auto& [id, channel] : started) api.CamThermometryStop(id, channel, 0);
        r.out.Flag("stopped", true);
        return failed;
    }
    return kExitOk;
}

// Ends every watch's subscriptions (and its login unless lent); false when a
// login's logout failed. A camera not logged in at the end has nothing left.
bool EndAll(Recording& r, std::vector<std::shared_ptr<CameraWatch>>& watches, bool ownLogins,
            bool interrupted, int& status) {
    std::vector<CameraWatch::Ending> endings;
    bool stopped = true, loggedOut = true;
    for (const auto& watch : watches) {
        endings.push_back(watch->End(ownLogins));
        const CameraWatch::Ending& ending = endings.back();
        if (!ending.hadLogin) {
            r.out.Line(watch->address() + " was not logged in at the end: nothing to stop");
        } else if (!ending.stopped) {
            stopped = false;
            const int failed = r.out.Fail(
                kExitFailed, "stopping thermometry on " + watch->address() + " failed", ending.failure);
            if (status == kExitOk) status = failed;
        }
    }
    r.out.Flag("interrupted", interrupted);
    r.out.Flag("stopped", stopped);
    r.out.Line(std::string(interrupted ? "Interrupted; " : "") + "subscription" +
               (r.cameras.size() > 1 ? "s " : " ") + (stopped ? "stopped" : "NOT stopped"));
    for (std::size_t i = 0; i < watches.size() && ownLogins; ++i) {
        if (!endings[i].hadLogin) continue;
        if (endings[i].loggedOut) {
            r.out.Line("Logged out of " + watches[i]->address());
        } else {
            loggedOut = false;
            r.out.Fail(kExitFailed, "logout from " + watches[i]->address() + " failed", endings[i].failure);
        }
    }
    return loggedOut;
}

}  // namespace

int RecordWithLogins(Recording& r, const Tool& tool, ChartFile& chartFile, CameraLibrary& library,
                     const std::string& password, bool& interrupted, bool& csvFailed) {
    // One watch (and login) per address, with every channel recorded of it.
    std::vector<std::string> addresses;
    std::map<std::string, std::vector<int32_t>> channels;
    for (RecordedCamera& camera : r.cameras) {
        auto& of = channels[camera.address];
        if (of.empty()) addresses.push_back(camera.address);
        camera.watch = static_cast<std::size_t>(
            std::find(addresses.begin(), addresses.end(), camera.address) - addresses.begin());
        camera.watched = of.size();
        of.push_back(camera.channel);
    }
    LogQueue log;
    UserIdRegistry userIds;
    // Every camera logs in as the command does.
    const LoginSettings login{tool.connection.port, tool.connection.user,
                              std::make_shared<PasswordSource>(
                                  password, tool.shared != nullptr ? "" : tool.connection.passwordFile)};
    const WatchSettings settings{library,
                                 // Each change, as warnings; attempts only counted.
                                 [&log](const LogEvent& event) {
                                     if (event.level != LogLevel::kDebug) log.Add(event.message);
                                 },
                                 userIds, *ParseDuration(r.options.intervalText)};
    std::vector<std::shared_ptr<CameraWatch>> watches;
    for (const std::string& address : addresses)
        watches.push_back(std::make_shared<CameraWatch>(address, channels[address], login, settings));

    int status = kExitOk;
    const bool own = tool.shared == nullptr;
    std::vector<int32_t> loginIds(watches.size(), -1);
    for (std::size_t i = 0; i < watches.size(); ++i) {
        loginIds[i] =
            own ? LogIn(r.out, library, tool.connection, addresses[i], password) : tool.shared->userId;
        if (loginIds[i] < 0) {
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
    if (status == kExitOk) status = StartAll(r, loginIds);
    if (status != kExitOk) {
        bool loggedOut = true;
        for (std::size_t i = 0; i < watches.size(); ++i) {
            if (own && loginIds[i] >= 0 && !LogOut(r.out, library, loginIds[i], addresses[i]))
                loggedOut = false;
        }
        if (own) r.out.Flag("logged_out", loggedOut);
        return status;
    }

    LatestViews latest(watches.size());
    FleetWatch fleet(watches, settings,
                     [&latest](std::size_t watch, CameraView view) { latest.Set(watch, std::move(view)); });
    for (std::size_t i = 0; i < watches.size(); ++i) watches[i]->Adopt(loginIds[i], fleet.Now(), !own);
    std::string names;
    for (const RecordedCamera& camera : r.cameras) names += (names.empty() ? "" : ", ") + camera.Label();
    const bool timed = r.options.Duration().has_value();
    r.out.Line("Recording " + names + (timed ? " for " + r.options.durationText : " until Ctrl+C") +
               (r.options.csv.empty() ? "" : " into " + r.options.csv) +
               (timed ? " (Ctrl+C ends it early)" : ""));
    if (!Poll(r, fleet, latest, log, chartFile, interrupted)) {
        csvFailed = true;
        status =
            r.out.Error(kExitFailed, "writing " + r.options.csv + " failed (disk full?); recording ended");
    }
    fleet.StopJobs();
    // The latest state of each camera for the summary, then the end of every subscription and login.
    for (std::size_t i = 0; i < watches.size(); ++i)
        latest.Set(i, watches[i]->View(fleet.Now(), FleetWatch::UnixNow()));
    {
        const auto views = latest.Take();
        for (RecordedCamera& camera : r.cameras) {
            if (!views[camera.watch]) continue;
            camera.view = views[camera.watch]->channels.at(camera.watched);
            camera.camera = *views[camera.watch];
            camera.camera.channels.clear();
        }
    }
    {
        Progress quiet(r.out, std::nullopt, false);
        log.Print(r.out, quiet);
    }
    const bool loggedOut = EndAll(r, watches, own, interrupted, status);
    if (own) r.out.Flag("logged_out", loggedOut);
    if (!loggedOut && status == kExitOk) status = kExitFailed;
    return status;
}

}  // namespace orvane_cli
