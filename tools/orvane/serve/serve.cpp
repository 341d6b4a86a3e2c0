#include "serve/serve.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <set>
#include <thread>

#include "commands/argument_checks.hpp"
#include "commands/exit_codes.hpp"
#include "commands/password.hpp"
#include "platform/memory.hpp"
#include "platform/signals.hpp"
#include "platform/terminal.hpp"
#include "serve/api_json.hpp"
#include "serve/http_server.hpp"
#include "serve/listen_address.hpp"
#include "serve/metrics_exposition.hpp"
#include "serve/process_metrics.hpp"
#include "serve/service_log.hpp"
#include "serve/state_store.hpp"
#include "serve/web_security.hpp"
#include "watch/fleet_watch.hpp"

namespace orvane_cli::serve {
namespace {

// Runs a round of the fleet's watch each interval on a thread of its own, and
// publishes the views.
class Poller {
public:
    Poller(FleetWatch& fleet, StateStore& store, Milliseconds interval)
        : fleet_(fleet), store_(store), interval_(interval) {}
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
            next += interval_;
            // A poll that overran its interval does not make the next ones hurry.
            next = std::max(next, std::chrono::steady_clock::now());
            wake_.wait_until(lock, next, [this] { return stopping_; });
        }
    }

    FleetWatch& fleet_;
    StateStore& store_;
    Milliseconds interval_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

int RunService(Output& out, CameraLibrary& library, const Tool& tool, const ServeOptions& options,
               const std::string& password, AlarmLimits alarms) {
    std::string host;
    uint16_t port = 0;
    ParseListen(options.listen, host, port);
    const LogLevel least = !options.logLevelText.empty() ? *ParseLogLevel(options.logLevelText)
                           : tool.quiet                  ? LogLevel::kWarn
                           : tool.verbose                ? LogLevel::kDebug
                                                         : LogLevel::kInfo;
    ServiceLog log(*ParseLogFormat(options.logFormatText), least);
    UserIdRegistry userIds;
    PasswordSource passwordSource(password, tool.connection.passwordFile);
    WatchSettings settings{library,
                           [&log](const LogEvent& event) { log.Write(event); },
                           userIds,
                           passwordSource,
                           tool.connection.port,
                           tool.connection.user,
                           *ParseDuration(options.intervalText)};
    settings.wrongPasswordPause = *ParseDuration(options.wrongPasswordPauseText);
    const std::vector<int32_t> channels =
        options.channels.empty() ? std::vector<int32_t>{1} : options.channels;
    std::vector<std::unique_ptr<CameraWatch>> cameras;
    ServiceSnapshot initial;
    initial.version = ORVANE_TOOL_VERSION;
    initial.intervalSeconds = std::chrono::duration<double>(settings.interval).count();
    initial.alarms = std::make_shared<const AlarmLimits>(std::move(alarms));
    for (const std::string& address : options.addresses) {
        cameras.push_back(std::make_unique<CameraWatch>(address, channels, settings));
        initial.cameras.push_back(cameras.back()->View(Milliseconds::zero(), FleetWatch::UnixNow()));
    }
    StateStore store(std::move(initial));

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
        if (!security) return out.Error(kExitUsage, problem);
    }
    HttpServer server([&sources](const HttpRequestHead& request) { return Route(request, sources); },
                      HttpLimits{}, IsSlowTarget);
    if (security) server.Secure(*security);
    std::string error;
    if (!server.Listen(host, port, error)) return out.Error(kExitFailed, error);
    platform::WatchForInterrupt();
    platform::IgnoreBrokenPipes();
    const bool tls = security && security->tls();
    log.Listening(std::string(tls ? "https" : "http") + "://" + UrlHost(host) + ":" +
                  std::to_string(server.port()) + "/");
    if (const std::string open =
            OpenEndpointsWarning(host, server.port(), tls, security && security->users());
        !open.empty())
        log.Write({LogLevel::kWarn, open});

    FleetWatch fleet(cameras, settings, [&store](std::size_t camera, CameraView view) {
        store.PublishCamera(camera, std::move(view));
    });
    Poller poller(fleet, store, settings.interval);
    poller.Start();
    server.Run([] { return platform::InterruptRequested(); });

    log.Line("stopping: ending the subscriptions and logins");
    poller.Stop();
    fleet.StopJobs();
    for (const auto& camera : cameras) {
        if (!camera->up()) continue;
        const CameraWatch::Ending ending = camera->End(true);
        log.Write(
            {ending.stopped && ending.loggedOut ? LogLevel::kInfo : LogLevel::kWarn,
             std::string(ending.stopped ? "stopped the subscriptions of "
                                        : "stopping a subscription failed on ") +
                 camera->address() +
                 (ending.loggedOut ? "; logged out" : "; logging out failed: " + FailureLine(ending.failure)),
             camera->address()});
    }
    log.Line("stopped");
    // A requested stop is the service's normal end.
    platform::ClearInterrupt();
    return kExitOk;
}

}  // namespace

int Serve(Output& out, const Tool& tool, const ServeOptions& options) {
    if (options.addresses.empty())
        return out.Error(kExitUsage, "no camera address: give -a ADDRESS, once per camera");
    std::set<std::string> seen;
    for (const std::string& address : options.addresses) {
        const std::string problem = CameraAddressProblem("--address", address);
        if (!problem.empty()) return out.Error(kExitUsage, problem);
        if (!seen.insert(address).second) return out.Error(kExitUsage, address + " is named twice");
    }
    std::set<int32_t> channels;
    for (const int32_t channel : options.channels) {
        if (channel < 1)
            return out.Error(kExitUsage, "--channel " + std::to_string(channel) + " is not a channel");
        if (!channels.insert(channel).second)
            return out.Error(kExitUsage, "--channel " + std::to_string(channel) + " is named twice");
    }
    const std::string listenProblem = ListenAddressProblem(options.listen);
    if (!listenProblem.empty()) return out.Error(kExitUsage, listenProblem);
    // Read here to refuse a bad file before the password prompt, and again by the service to use it.
    if (std::string problem;
        !options.webConfigFile.empty() && !LoadWebSecurity(
                                              options.webConfigFile, [](const LogEvent&) {}, problem))
        return out.Error(kExitUsage, problem);
    auto alarms = AlarmLimits::Read(
        options.alarms,
        {options.addresses, options.channels.empty() ? std::vector<int32_t>{1} : options.channels});
    if (!alarms.second.empty()) return out.Error(kExitUsage, alarms.second);
    // A prompt names every camera the password is for.
    Connection connection = tool.connection;
    connection.addressWord.clear();
    for (const std::string& address : options.addresses)
        connection.addressWord += (connection.addressWord.empty() ? "" : ", ") + address;
    const auto password = ResolvePassword(out, connection);
    if (!password) return kExitUsage;
    return WithLibrary(out, [&](CameraLibrary& library) {
        return RunService(out, library, tool, options, *password, std::move(alarms.first));
    });
}

}  // namespace orvane_cli::serve
