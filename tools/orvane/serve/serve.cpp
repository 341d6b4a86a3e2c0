#include "serve/serve.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <thread>

#include "commands/argument_checks.hpp"
#include "commands/exit_codes.hpp"
#include "commands/password.hpp"
#include "platform/memory.hpp"
#include "platform/password_file_access.hpp"
#include "platform/service_control.hpp"
#include "platform/signals.hpp"
#include "platform/terminal.hpp"
#include "serve/api_json.hpp"
#include "serve/camera_roster.hpp"
#include "serve/config_reload.hpp"
#include "serve/http_server.hpp"
#include "serve/listen_address.hpp"
#include "serve/metrics_exposition.hpp"
#include "serve/process_metrics.hpp"
#include "serve/service_log.hpp"
#include "serve/service_setup.hpp"
#include "serve/state_store.hpp"
#include "serve/web_security.hpp"
#include "watch/fleet_watch.hpp"

namespace orvane_cli::serve {
namespace {

// A failure to start, reported on the command's output and, as the service's
// standard error may be nowhere (a Windows service's), in its log file if it has one.
void NoteInLog(LogFile* logFile, const std::string& message) {
    if (logFile != nullptr)
        ServiceLog(LogFormat::kHuman, LogLevel::kError, logFile).Write({LogLevel::kError, message});
}

int Refuse(Output& out, LogFile* logFile, int exitCode, const std::string& message) {
    NoteInLog(logFile, message);
    return out.Error(exitCode, message);
}

// Why a password file that others may read is refused (a Windows service's).
std::string ExposedPasswordFile(const std::string& path) {
    std::string error;
    const std::string reader = platform::OtherPasswordFileReader(path, error);
    if (!error.empty()) return "the password file " + path + ": " + error;
    if (reader.empty()) return "";
    return "the password file " + path + " may be read by " + reader +
           ": only the service's account, the file's owner and the administrators may read it";
}

// Runs a round of the fleet's watch each interval on a thread of its own, and
// publishes the views.
class Poller {
public:
    // `beforeRound` runs on the poller's thread before each round (a reload of the --config file).
    Poller(FleetWatch& fleet, StateStore& store, const WatchSettings& settings,
           std::function<void()> beforeRound)
        : fleet_(fleet), store_(store), settings_(settings), beforeRound_(std::move(beforeRound)) {}
    ~Poller() { Stop(); }

    void Start() {
        thread_ = std::thread([this] { Loop(); });
    }
    void Stop() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

private:
    void PollOnce() {
        if (beforeRound_) beforeRound_();
        const auto began = std::chrono::steady_clock::now();
        auto views = fleet_.PollOnce();
        if (store_.PublishPoll(std::move(views), FleetWatch::UnixNow(), began)) platform::ReleaseFreeMemory();
    }

    void Loop() {
        auto next = std::chrono::steady_clock::now();
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            lock.unlock();
            PollOnce();
            lock.lock();
            next += settings_.Interval();
            // A poll that overran its interval does not make the next ones hurry.
            next = std::max(next, std::chrono::steady_clock::now());
            wake_.wait_until(lock, next, [this] { return stopping_; });
        }
    }

    FleetWatch& fleet_;
    StateStore& store_;
    const WatchSettings& settings_;
    std::function<void()> beforeRound_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

// `setup` made of `commandLine` and the --config file, if any; `password` the
// cameras' without a password file of their own, if there is one.
int RunService(Output& out, CameraLibrary& library, const Tool& tool, const ServiceSetup& setup,
               const ServeOptions& commandLine, const std::optional<std::string>& password,
               LogFile* logFile) {
    const ServeOptions& options = setup.options;
    std::string host;
    uint16_t port = 0;
    ParseListen(options.listen, host, port);
    const LogLevel least = !options.logLevelText.empty() ? *ParseLogLevel(options.logLevelText)
                           : tool.quiet                  ? LogLevel::kWarn
                           : tool.verbose                ? LogLevel::kDebug
                                                         : LogLevel::kInfo;
    ServiceLog log(*ParseLogFormat(options.logFormatText), least, logFile);
    UserIdRegistry userIds;
    const auto passwordSource =
        std::make_shared<PasswordSource>(password.value_or(""), setup.connection.passwordFile);
    WatchSettings settings{library, [&log](const LogEvent& event) { log.Write(event); }, userIds,
                           *ParseDuration(options.intervalText),
                           *ParseDuration(options.wrongPasswordPauseText)};
    ServiceSnapshot initial;
    initial.version = ORVANE_TOOL_VERSION;
    initial.intervalSeconds = std::chrono::duration<double>(settings.Interval()).count();
    initial.alarms = std::make_shared<const AlarmLimits>(setup.alarms);
    StateStore store(std::move(initial));
    FleetWatch fleet({}, settings, [&store](std::size_t camera, CameraView view) {
        store.PublishCamera(camera, std::move(view));
    });
    CameraRoster roster(settings, passwordSource, fleet, store, log);
    roster.Apply(setup.cameras, "");

    const RouteSources sources{
        [&store, &log](MetricsFormat format) {
            ServiceSnapshot snapshot = store.Snapshot(FleetWatch::UnixNow());
            snapshot.logWriteFailures = log.failures();
            return MetricsText(snapshot, ReadProcessMetrics(), format);
        },
        [&store] { return CamerasJson(store.Snapshot(FleetWatch::UnixNow())); },
        [&store](const HistoryQuery& query) { return store.HistoryDocument(query, FleetWatch::UnixNow()); }};
    std::unique_ptr<WebSecurity> security;
    if (!options.webConfigFile.empty()) {
        std::string problem;
        security = LoadWebSecurity(
            options.webConfigFile, [&log](const LogEvent& event) { log.Write(event); }, problem);
        if (!security) return Refuse(out, logFile, kExitUsage, problem);
    }
    HttpServer server([&sources](const HttpRequestHead& request) { return Route(request, sources); },
                      HttpLimits{}, IsSlowTarget);
    if (security) server.Secure(*security);
    std::string error;
    if (!server.Listen(host, port, error)) return Refuse(out, logFile, kExitFailed, error);
    platform::WatchForInterrupt();
    platform::IgnoreBrokenPipes();
    const bool tls = security && security->tls();
    log.Listening(std::string(tls ? "https" : "http") + "://" + UrlHost(host) + ":" +
                  std::to_string(server.port()) + "/");
    if (const std::string open =
            OpenEndpointsWarning(host, server.port(), tls, security && security->users());
        !open.empty())
        log.Write({LogLevel::kWarn, open});

    // After WatchForInterrupt: SIGHUP asks for a reload from now on, no longer for the end.
    std::optional<ConfigReload> reload;
    if (!commandLine.configFile.empty())
        reload.emplace(setup, commandLine, tool.connection, settings, *passwordSource, password.has_value(),
                       roster, store, log);
    Poller poller(fleet, store, settings, [&reload] {
        if (reload) reload->OnRequest();
    });
    poller.Start();
    platform::ServiceListening();
    server.Run([] { return platform::InterruptRequested(); });

    log.Line("stopping: ending the subscriptions and logins");
    platform::ServiceStopProgress();
    poller.Stop();
    fleet.StopJobs();
    for (const auto& camera : fleet.Held()) {
        platform::ServiceStopProgress();
        EndWatch(*camera, log);
    }
    log.Line("stopped");
    // A requested stop is the service's normal end.
    platform::ClearInterrupt();
    return kExitOk;
}

}  // namespace

int Serve(Output& out, const Tool& tool, const ServeOptions& commandLine) {
    std::unique_ptr<LogFile> logFile;
    if (const std::string path =
            !commandLine.logFile.empty() ? commandLine.logFile : platform::DefaultServiceLogFile();
        !path.empty()) {
        std::string error;
        logFile = LogFile::Open(path, error);
        if (!logFile) return out.Error(kExitFailed, error);
    }
    std::optional<ConfigFile> file;
    if (!commandLine.configFile.empty()) {
        auto [read, problem] = ReadConfigFile(commandLine.configFile);
        if (!read) return Refuse(out, logFile.get(), kExitUsage, problem);
        file = std::move(read);
    }
    auto [setup, setupProblem] = MakeSetup(commandLine, tool.connection, file ? &*file : nullptr);
    if (!setup) return Refuse(out, logFile.get(), kExitUsage, setupProblem);
    const ServeOptions& options = setup->options;
    // Read here to refuse a bad file before the password prompt, and again by the service to use it.
    if (std::string problem;
        !options.webConfigFile.empty() && !LoadWebSecurity(
                                              options.webConfigFile, [](const LogEvent&) {}, problem))
        return Refuse(out, logFile.get(), kExitUsage, problem);
    if (platform::RunningAsService()) {
        std::vector<std::string> passwordFiles{setup->connection.passwordFile};
        for (const CameraSetup& camera : setup->cameras) passwordFiles.push_back(camera.passwordFile);
        for (const std::string& path : passwordFiles) {
            if (path.empty()) continue;
            if (const std::string problem = ExposedPasswordFile(path); !problem.empty())
                return Refuse(out, logFile.get(), kExitUsage, problem);
        }
    }
    // The cameras without a password file of their own share the service's
    // password; a prompt names each of them.
    Connection connection = setup->connection;
    connection.addressWord.clear();
    for (const CameraSetup& camera : setup->cameras) {
        if (camera.passwordFile.empty())
            connection.addressWord += (connection.addressWord.empty() ? "" : ", ") + camera.address;
    }
    // When no camera needs it, one given is still kept for a camera a reload may add.
    std::optional<std::string> password;
    if (!connection.addressWord.empty() || connection.passwordGiven || !connection.passwordFile.empty() ||
        std::getenv("ORVANE_PASSWORD") != nullptr) {
        password = ResolvePassword(out, connection);
        if (!password) {
            NoteInLog(logFile.get(),
                      "no password for " + connection.addressWord +
                          ": give --password-file (a service has no ORVANE_PASSWORD or prompt)");
            return kExitUsage;
        }
    }
    if (const std::string problem = CameraRoster::Problem(setup->cameras, password.has_value());
        !problem.empty())
        return Refuse(out, logFile.get(), kExitUsage, problem);
    const int exitCode = WithLibrary(out, [&](CameraLibrary& library) {
        return RunService(out, library, tool, *setup, commandLine, password, logFile.get());
    });
    if (exitCode == kExitNoLibrary) NoteInLog(logFile.get(), "the library could not be loaded");
    return exitCode;
}

}  // namespace orvane_cli::serve
