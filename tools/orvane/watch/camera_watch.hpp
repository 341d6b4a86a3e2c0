// Watching one camera, the core that thermo record and serve share: its login,
// a thermometry subscription per channel, polling what the library holds,
// restarting a subscription that fails or goes silent, logging in again when
// the camera dropped the login, the pauses between tries (retry_policy.hpp),
// and whether each reading is current (camera_view.hpp).
//
// The poll only reads what the library holds and never waits on the network;
// logins, restarts and logouts may wait on a camera and run as jobs, on
// another thread if the caller likes. The two never run on a camera at once:
// the caller marks the camera busy while its job runs. The log gets one line
// per change of the camera's or a channel's state, never one per attempt.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library/camera_library.hpp"
#include "watch/camera_view.hpp"
#include "watch/log_event.hpp"
#include "watch/password_source.hpp"
#include "watch/retry_policy.hpp"
#include "watch/subscription_watch.hpp"
#include "watch/user_id_registry.hpp"

namespace orvane_cli {

// How a watch logs in to its camera. serve gives each camera its own (from
// its --config file); thermo record gives every camera the same.
struct LoginSettings {
    int32_t port = 8000;
    std::string user;
    std::shared_ptr<PasswordSource> password;  // may be shared by many cameras
};

// What every camera's watch shares. The interval and the wrong-password pause
// may change while the watches run (serve reading its --config file again):
// a watch reads them at each use.
struct WatchSettings {
    const CameraLibrary& library;
    std::function<void(const LogEvent&)> log;  // one event, from any thread
    UserIdRegistry& userIds;
    std::atomic<Milliseconds> interval{Milliseconds(1000)};
    std::atomic<Milliseconds> wrongPasswordPause{kDefaultWrongPasswordPause};
    Jitter jitter = RandomJitter();

    Milliseconds Interval() const { return interval.load(std::memory_order_relaxed); }
    Milliseconds WrongPasswordPause() const { return wrongPasswordPause.load(std::memory_order_relaxed); }
};

// What a poll found the camera needs: a login once its pause is over, or a
// restart of the subscriptions that fail or went silent.
enum class CameraJob { kNone, kLogIn, kRestart };

class CameraWatch {
public:
    // The SDK's code for a user ID that is not (or no longer) logged in: the
    // camera rebooted or ended the login.
    static constexpr int32_t kNoSuchUser = 47;

    CameraWatch(std::string address, const std::vector<int32_t>& channels, LoginSettings login,
                const WatchSettings& settings);

    // Reads every channel's status and rules, and says what the camera needs.
    // `now` is the watch's steady clock.
    CameraJob Poll(Milliseconds now);
    // The jobs: a login with every channel subscribed, and the restarts the
    // poll marked (logging in again when the camera dropped the login).
    void LogInAndSubscribe(Milliseconds now);
    void RestartMarked(Milliseconds now);
    // A login made outside the watch, every channel subscribed on it at `now`
    // (a command's first login, reported by the command). A `lent` login (a
    // shell session's) is never logged out or in again by the watch.
    void Adopt(int32_t userId, Milliseconds now, bool lent);

    struct Ending {
        bool hadLogin = false;  // false: nothing was left to stop or log out of
        bool stopped = true;
        bool loggedOut = false;
        LibraryFailure failure;  // of the logout, when it failed
    };
    // Stops the subscriptions and logs out (unless `logOut` is false or the
    // login is lent). A login the camera dropped or lost to another camera is
    // only forgotten: no call is made with its user ID.
    Ending End(bool logOut);

    // `unixNow` is the host's clock at `now`, for the time of the newest data.
    CameraView View(Milliseconds now, double unixNow) const;
    const std::string& address() const { return address_; }
    PasswordSource& password() const { return *loginSettings_.password; }
    bool up() const { return userId_ >= 0; }
    int32_t userId() const { return userId_; }

    // Set by whoever hands the camera's job to another thread, cleared when it is done.
    std::atomic<bool> busy{false};

private:
    struct Channel {
        Channel(int32_t number, Milliseconds interval) : channel(number), watch(interval) {}
        int32_t channel;
        bool subscribed = false;
        bool restart = false;  // marked by the poll
        SubscriptionWatch watch;
        SubscriptionHealth health;
        uint64_t subscription = 0;  // counts the starts the camera took
        int32_t seenEvents = 0;     // the current subscription's count at the latest poll
        int64_t eventsBefore = 0;   // counted by the subscriptions that ended
        int64_t restarts = 0;
        std::optional<Milliseconds> firstStart, lastData;
        Milliseconds withoutData{0};  // closed gaps longer than the silence limit
        std::map<int32_t, RuleView> rules;
        int32_t loggedState = -1;  // the state the log last told, and its camera code
        int32_t loggedCode = 0;
    };
    struct Shown {
        int32_t state = kChannelNotSubscribed;
        std::string health = "not logged in";
        int32_t cameraCode = 0;
    };

    std::string Where() const;
    std::string Label(const Channel& channel) const;
    Shown Show(const Channel& channel, Milliseconds now) const;
    std::optional<Milliseconds> SinceData(const Channel& channel, Milliseconds now) const;
    void ReadChannel(Channel& channel, Milliseconds now);
    void Subscribe(Channel& channel, Milliseconds now, bool restart);
    void Subscribed(Channel& channel, Milliseconds now, bool restart);
    void StopInherited(const std::vector<int32_t>& channels);
    std::vector<int32_t> ChannelNumbers() const;
    SubscriptionHealth HealthOf(const Channel& channel) const;
    void EndSubscription(Channel& channel);
    void ForgetLogin(bool idStillOurs);
    bool ForgetIfLost();
    void LoginFailed(const LibraryFailure& failure, Milliseconds now);
    void RestartMarkedOfLogin(Milliseconds now);
    CameraJob LoginJob(Milliseconds now) const;
    // Logs what changed since the log last told (the end of a poll or a job).
    void ReportChanges(Milliseconds now);

    std::string address_;
    const LoginSettings loginSettings_;
    const WatchSettings& settings_;
    int32_t userId_ = -1;
    bool lent_ = false;
    // Set through the registry when another camera's login got userId_.
    std::atomic<bool> loginLost_{false};
    LoginState login_ = LoginState::kDown;
    int64_t logins_ = 0;
    std::map<int32_t, int64_t> loginFailures_;
    std::optional<FailureView> lastFailure_;
    Milliseconds nextLogin_{0};
    Milliseconds loginPause_{0};
    RetryPause loginRetry_;
    uint64_t triedPassword_ = 0;  // the password generation of the latest login
    std::string dropped_;         // why the latest login ended, until the log told
    // What the log last told of the camera.
    int32_t loggedFailure_ = -1;
    std::vector<Channel> channels_;
};

}  // namespace orvane_cli
