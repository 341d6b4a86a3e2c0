// One camera as the service keeps it: its login, a thermometry subscription
// per channel, and what they gave. The poll only reads what the library holds
// (and never waits on the network); logins, restarts and logouts are the calls
// that may wait on a camera, and run on a login worker. The two never run on a
// camera at once: the poll hands the camera to a worker (busy) and leaves it
// alone until the worker hands it back.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "library/camera_library.hpp"
#include "serve/service_log.hpp"
#include "serve/service_state.hpp"
#include "watch/subscription_watch.hpp"
#include "watch/user_id_registry.hpp"

namespace orvane_cli::serve {

// What every camera's calls share.
struct SessionContext {
    const CameraLibrary& library;
    ServiceLog& log;
    UserIdRegistry& userIds;
    int32_t port = 8000;
    std::string user;
    std::string password;
    Milliseconds interval{1000};
};

// What a poll found the camera needs from a login worker.
enum class CameraJob { kNone, kLogIn, kRestart };

class CameraSession {
public:
    // The SDK's code for a user ID that is not (or no longer) logged in: the
    // camera rebooted or ended the login.
    static constexpr int32_t kNoSuchUser = 47;
    // A refused login is tried again after a pause that starts here and
    // doubles up to kLongestLoginPause.
    static constexpr Milliseconds kFirstLoginPause{1000};
    static constexpr Milliseconds kLongestLoginPause{60000};

    CameraSession(std::string address, const std::vector<int32_t>& channels, Milliseconds interval);

    // Reads the subscriptions' status and rules (a camera logged in), and says
    // what the camera needs: a login once its pause is over, or a restart of
    // the subscriptions that fail or went silent.
    CameraJob Poll(const SessionContext& context, Milliseconds now);
    // Logs in and subscribes every channel; a refusal is counted and logged,
    // and the next try waits for the pause.
    void LogInAndSubscribe(const SessionContext& context, Milliseconds now);
    // Restarts the subscriptions the poll marked; logs in again when the
    // camera dropped the login.
    void RestartMarked(const SessionContext& context, Milliseconds now);
    // Stops the subscriptions and logs out (the end of the service); a login
    // the camera lost to another is only forgotten.
    void StopAndLogOut(const SessionContext& context);

    CameraView View(Milliseconds now) const;
    const std::string& address() const { return address_; }
    bool up() const { return userId_ >= 0; }

    // Set by the poll when it hands the camera to a worker, cleared by the worker.
    std::atomic<bool> busy{false};

private:
    struct Channel {
        Channel(int32_t number, Milliseconds interval) : channel(number), watch(interval) {}
        int32_t channel;
        bool subscribed = false;
        bool restart = false;  // marked by the poll
        SubscriptionWatch watch;
        SubscriptionHealth health;
        int64_t eventsBefore = 0;  // counted by the subscriptions that ended
        int64_t restarts = 0;
        std::map<int32_t, Measurement> rules;  // of the current login
    };

    std::string Where(const SessionContext& context) const;
    void Subscribe(const SessionContext& context, Channel& channel, Milliseconds now, bool restart);
    // Stops what another camera's dropped login left subscribed on the user ID
    // this camera's login was just given.
    void StopInherited(const SessionContext& context);
    // The subscription's status, or a refused start's when it has none.
    SubscriptionHealth HealthOf(const SessionContext& context, const Channel& channel) const;
    // Adds what the ending subscription received to the channel's total.
    void EndSubscription(const SessionContext& context, Channel& channel);
    // Forgets the login the camera dropped (or the service ended), and every
    // reading of it. `idStillOurs` false: another login holds the user ID now,
    // and nothing of it may be read any more.
    void ForgetLogin(const SessionContext& context, bool idStillOurs = true);
    // Whether the SDK has given this camera's user ID to another login; then
    // forgets the login, without a call or a read with that ID.
    bool ForgetIfLost(const SessionContext& context);
    void RecordFailure(const LibraryFailure& failure);
    // RestartMarked while the camera holds its login.
    void RestartMarkedOfLogin(const SessionContext& context, Milliseconds now);

    std::string address_;
    Milliseconds interval_;
    int32_t userId_ = -1;
    // Set through the registry when another camera's login got userId_.
    std::atomic<bool> loginLost_{false};
    int64_t logins_ = 0;
    std::map<int32_t, int64_t> loginFailures_;
    std::optional<FailureView> lastFailure_;
    Milliseconds nextLogin_{0};
    Milliseconds loginPause_{0};
    std::vector<Channel> channels_;
};

}  // namespace orvane_cli::serve
