#include "serve/serve.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <set>
#include <thread>

#include "commands/exit_codes.hpp"
#include "commands/password.hpp"
#include "platform/terminal.hpp"
#include "serve/api_json.hpp"
#include "serve/camera_session.hpp"
#include "serve/http_server.hpp"
#include "serve/listen_address.hpp"
#include "serve/metrics_exposition.hpp"
#include "serve/process_metrics.hpp"
#include "serve/state_store.hpp"
#include "watch/login_workers.hpp"

namespace orvane_cli::serve {
namespace {

// Enough for many cameras' logins at once; more only cost threads.
constexpr std::size_t kMostLoginWorkers = 8;

double HostTime() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Polls every camera each interval on a thread of its own, hands what needs a
// login or a restart to the login workers, and publishes the views.
class Poller {
public:
    Poller(std::vector<std::unique_ptr<CameraSession>>& sessions, const SessionContext& context,
           StateStore& store, LoginWorkers& workers)
        : sessions_(sessions), context_(context), store_(store), workers_(workers) {}
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
    Milliseconds Now() const {
        return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - started_);
    }

    void PollOnce() {
        const auto began = std::chrono::steady_clock::now();
        std::vector<std::pair<std::size_t, CameraView>> views;
        for (std::size_t i = 0; i < sessions_.size(); ++i) {
            CameraSession& session = *sessions_[i];
            if (session.busy.load(std::memory_order_acquire)) continue;
            const CameraJob job = session.Poll(context_, Now());
            if (job == CameraJob::kNone) {
                views.emplace_back(i, session.View(Now()));
                continue;
            }
            // The worker publishes the camera when done: a view of this poll,
            // published after it, would take its counters back.
            session.busy.store(true, std::memory_order_relaxed);
            workers_.Run([this, i, job] {
                CameraSession& worked = *sessions_[i];
                if (job == CameraJob::kLogIn) {
                    worked.LogInAndSubscribe(context_, Now());
                } else {
                    worked.RestartMarked(context_, Now());
                }
                store_.PublishCamera(i, worked.View(Now()));
                worked.busy.store(false, std::memory_order_release);
            });
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        store_.PublishPoll(std::move(views), HostTime(), seconds);
    }

    void Loop() {
        auto next = std::chrono::steady_clock::now();
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            lock.unlock();
            PollOnce();
            lock.lock();
            next += context_.interval;
            // A poll that overran its interval does not make the next ones hurry.
            next = std::max(next, std::chrono::steady_clock::now());
            wake_.wait_until(lock, next, [this] { return stopping_; });
        }
    }

    std::vector<std::unique_ptr<CameraSession>>& sessions_;
    const SessionContext& context_;
    StateStore& store_;
    LoginWorkers& workers_;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

int RunService(Output& out, CameraLibrary& library, const Tool& tool, const ServeOptions& options,
               const std::string& password) {
    std::string host;
    uint16_t port = 0;
    ParseListen(options.listen, host, port);
    ServiceLog log;
    UserIdRegistry userIds;
    const SessionContext context{library,
                                 log,
                                 userIds,
                                 tool.connection.port,
                                 tool.connection.user,
                                 password,
                                 *ParseDuration(options.intervalText)};
    const std::vector<int32_t> channels =
        options.channels.empty() ? std::vector<int32_t>{1} : options.channels;
    std::vector<std::unique_ptr<CameraSession>> sessions;
    ServiceSnapshot initial;
    initial.version = ORVANE_TOOL_VERSION;
    initial.intervalSeconds = std::chrono::duration<double>(context.interval).count();
    initial.alarmAbove = options.alarmAbove;
    initial.alarmBelow = options.alarmBelow;
    for (const std::string& address : options.addresses) {
        sessions.push_back(std::make_unique<CameraSession>(address, channels, context.interval));
        initial.cameras.push_back(sessions.back()->View(Milliseconds::zero()));
    }
    StateStore store(std::move(initial));

    const RouteSources sources{
        [&store] { return MetricsText(store.Snapshot(HostTime()), ReadProcessMetrics()); },
        [&store] { return CamerasJson(store.Snapshot(HostTime())); },
        [&store](const std::optional<std::string>& camera) {
            return store.RenderHistory(
                [&](const History& history) { return HistoryJson(history, HostTime(), camera); });
        }};
    HttpServer server([&sources](std::string_view method, std::string_view target) {
        return Route(method, target, sources);
    });
    std::string error;
    if (!server.Listen(host, port, error)) return out.Error(kExitFailed, error);
    platform::WatchForInterrupt();
    platform::WriteText(stderr,
                        "listening on http://" + UrlHost(host) + ":" + std::to_string(server.port()) + "/\n");

    LoginWorkers workers(std::min(sessions.size(), kMostLoginWorkers));
    Poller poller(sessions, context, store, workers);
    poller.Start();
    server.Run([] { return platform::InterruptRequested(); });

    log.Line("stopping: ending the subscriptions and logins");
    poller.Stop();
    workers.Stop();
    for (const auto& session : sessions) session->StopAndLogOut(context);
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
        if (!seen.insert(address).second) return out.Error(kExitUsage, address + " is named twice");
    }
    std::set<int32_t> channels;
    for (const int32_t channel : options.channels) {
        if (channel < 1)
            return out.Error(kExitUsage, "--channel " + std::to_string(channel) + " is not a channel");
        if (!channels.insert(channel).second)
            return out.Error(kExitUsage, "--channel " + std::to_string(channel) + " is named twice");
    }
    std::string host;
    uint16_t port = 0;
    if (!ParseListen(options.listen, host, port)) {
        return out.Error(kExitUsage,
                         "--listen " + options.listen + " is not HOST:PORT (such as 127.0.0.1:9410)");
    }
    // A prompt names every camera the password is for.
    Connection connection = tool.connection;
    connection.addressWord.clear();
    for (const std::string& address : options.addresses)
        connection.addressWord += (connection.addressWord.empty() ? "" : ", ") + address;
    const auto password = ResolvePassword(out, connection);
    if (!password) return kExitUsage;
    return WithLibrary(
        out, [&](CameraLibrary& library) { return RunService(out, library, tool, options, *password); });
}

}  // namespace orvane_cli::serve
