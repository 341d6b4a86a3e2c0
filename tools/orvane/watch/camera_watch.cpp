#include "watch/camera_watch.hpp"

#include <algorithm>

#include "library/rule_reading.hpp"
#include "render/output.hpp"

namespace orvane_cli {

CameraWatch::CameraWatch(std::string address, const std::vector<int32_t>& channels, LoginSettings login,
                         const WatchSettings& settings)
    : address_(std::move(address)), loginSettings_(std::move(login)), settings_(settings) {
    for (const int32_t channel : channels) channels_.emplace_back(channel, settings.Interval());
}

std::string CameraWatch::Where() const {
    return loginSettings_.user + "@" + address_ + ":" + std::to_string(loginSettings_.port);
}

std::vector<int32_t> CameraWatch::ChannelNumbers() const {
    std::vector<int32_t> numbers;
    for (const Channel& channel : channels_) numbers.push_back(channel.channel);
    return numbers;
}

std::string CameraWatch::Label(const Channel& channel) const {
    return address_ + " channel " + std::to_string(channel.channel);
}

SubscriptionHealth CameraWatch::HealthOf(const Channel& channel) const {
    if (!channel.subscribed) return SubscriptionHealth{true, kStateStartFailed, 0, -1, 0};
    return ReadHealth(settings_.library, userId_, channel.channel);
}

bool CameraWatch::ForgetIfLost() {
    if (!up() || !loginLost_.load(std::memory_order_acquire)) return false;
    settings_.log({LogLevel::kWarn,
                   address_ + " lost its login: the SDK gave its user ID " + std::to_string(userId_) +
                       " to another login; logging in again",
                   address_});
    ForgetLogin(false);
    return true;
}

CameraJob CameraWatch::LoginJob(Milliseconds now) const {
    if (lent_) return CameraJob::kNone;
    // A new password is worth a try at once, however long the pause.
    if (login_ == LoginState::kWrongPassword && password().generation() != triedPassword_)
        return CameraJob::kLogIn;
    return now >= nextLogin_ ? CameraJob::kLogIn : CameraJob::kNone;
}

CameraJob CameraWatch::Poll(Milliseconds now) {
    // A new interval (a reload) moves the silence limit at once.
    const Milliseconds interval = settings_.Interval();
    for (Channel& channel : channels_) channel.watch.SetInterval(interval);
    ForgetIfLost();
    if (!up()) {
        const CameraJob job = LoginJob(now);
        if (job == CameraJob::kNone) ReportChanges(now);
        return job;
    }
    bool restart = false;
    for (Channel& channel : channels_) {
        ReadChannel(channel, now);
        restart = restart || channel.restart;
    }
    // Another login given the ID while these reads ran: what they read may be
    // that login's, and is dropped with the login.
    if (ForgetIfLost()) return LoginJob(now);
    if (!restart) ReportChanges(now);
    return restart ? CameraJob::kRestart : CameraJob::kNone;
}

void CameraWatch::ReadChannel(Channel& channel, Milliseconds now) {
    if (channel.subscribed) {
        const std::vector<int32_t> ids = RulesOf(settings_.library, userId_, channel.channel);
        for (const int32_t id : ids) {
            if (const auto read = ReadRule(settings_.library, userId_, channel.channel, id)) {
                channel.rules[id] = RuleView{read->first, read->second, channel.subscription, false};
            }
        }
        // Once the current subscription speaks, its rules are the channel's:
        // a rule the camera no longer measures goes.
        if (!ids.empty()) {
            std::erase_if(channel.rules, [&](const auto& entry) {
                return entry.second.subscription != channel.subscription;
            });
        }
    }
    channel.health = HealthOf(channel);
    if (channel.health.known && channel.health.dataEvents > channel.seenEvents &&
        channel.health.msSinceData >= 0) {
        const Milliseconds at = now - Milliseconds(channel.health.msSinceData);
        const Milliseconds from = channel.lastData.value_or(channel.firstStart.value_or(at));
        if (at - from > channel.watch.silenceLimit()) channel.withoutData += at - from;
        channel.lastData = std::max(at, channel.lastData.value_or(at));
    }
    if (channel.health.known) channel.seenEvents = channel.health.dataEvents;
    channel.watch.Observe(channel.health);
    channel.restart = channel.watch.ShouldRestart(
        channel.health, SinceData(channel, now).value_or(Milliseconds::zero()), now);
}

void CameraWatch::LoginFailed(const LibraryFailure& failure, Milliseconds now) {
    ++loginFailures_[failure.code];
    lastFailure_ = FailureView{failure.code, failure.english, failure.text};
    const FailureKind kind = KindOfFailure(failure.code);
    login_ = kind == FailureKind::kWrongPassword ? LoginState::kWrongPassword : LoginState::kDown;
    loginPause_ = loginRetry_.After(kind, settings_.WrongPasswordPause(), settings_.jitter);
    nextLogin_ = now + loginPause_;
}

void CameraWatch::LogInAndSubscribe(Milliseconds now) {
    const auto& api = settings_.library.api();
    int32_t userId = -1;
    LibraryFailure failure;
    std::optional<std::vector<int32_t>> inherited;
    triedPassword_ = password().generation();
    settings_.log({LogLevel::kDebug, "logging in to " + Where(), address_});
    {
        const UserIdRegistry::LoginScope login(settings_.userIds);
        const std::string secret = password().Get();
        userId = api.CamLogin(address_.c_str(), loginSettings_.port, loginSettings_.user.c_str(),
                              secret.c_str(), 0);
        // Read on the calling thread, before another login can record its own.
        if (userId < 0) failure = settings_.library.LastFailure();
        // Claimed before any call with a held ID may run, so that a camera that
        // held this one finds out before it would use it again.
        if (userId >= 0) inherited = settings_.userIds.Claim(userId, loginLost_, ChannelNumbers());
    }
    if (userId < 0) {
        LoginFailed(failure, now);
        ReportChanges(now);
        return;
    }
    userId_ = userId;
    ++logins_;
    login_ = LoginState::kUp;
    loginRetry_.Reset();
    loginPause_ = Milliseconds::zero();
    lastFailure_.reset();
    settings_.log({LogLevel::kInfo,
                   std::string(logins_ > 1 ? "logged in again to " : "logged in to ") + Where() +
                       " (user ID " + std::to_string(userId_) + ")" +
                       (dropped_.empty() ? "" : ": " + dropped_),
                   address_});
    loggedFailure_ = -1;
    dropped_.clear();
    {
        const UserIdRegistry::CallScope calls(settings_.userIds);
        if (inherited) StopInherited(*inherited);
        for (Channel& channel : channels_) {
            if (ForgetIfLost()) break;
            channel.watch = SubscriptionWatch(settings_.Interval());
            Subscribe(channel, now, false);
            if (!up()) break;  // dropped again at once
        }
    }
    ReportChanges(now);
}

void CameraWatch::Adopt(int32_t userId, Milliseconds now, bool lent) {
    settings_.userIds.Claim(userId, loginLost_, ChannelNumbers());
    userId_ = userId;
    lent_ = lent;
    logins_ = 1;
    login_ = LoginState::kUp;
    for (Channel& channel : channels_) Subscribed(channel, now, false);
}

void CameraWatch::StopInherited(const std::vector<int32_t>& inherited) {
    // The camera that held the ID forgot it without a call; its subscriptions on
    // the ID (of its own channels, which may not be this camera's) are the
    // library's answering records of those channels until stopped.
    std::string channels;
    for (const int32_t channel : inherited) {
        if (settings_.library.api().CamThermometryStop(userId_, channel, 0) == 1)
            channels += " " + std::to_string(channel);
    }
    if (!channels.empty())
        settings_.log({LogLevel::kInfo,
                       "stopped what a dropped login left subscribed on user ID " + std::to_string(userId_) +
                           " (channel" + channels + ") before subscribing " + address_,
                       address_});
}

void CameraWatch::Subscribed(Channel& channel, Milliseconds now, bool restart) {
    channel.subscribed = true;
    ++channel.subscription;
    channel.seenEvents = 0;
    if (!channel.firstStart) channel.firstStart = now;
    // A restart counts, so that restarts that bring no data wait for a growing pause.
    channel.watch.Started(now, restart, settings_.jitter);
}

void CameraWatch::Subscribe(Channel& channel, Milliseconds now, bool restart) {
    if (settings_.library.api().CamThermometryStart(userId_, channel.channel, 0) == 1) {
        if (!restart)
            settings_.log({LogLevel::kInfo, "subscribed to the thermometry of " + Label(channel), address_,
                           channel.channel});
        Subscribed(channel, now, restart);
        return;
    }
    const LibraryFailure failure = settings_.library.LastFailure();
    if (failure.code == kNoSuchUser) {
        dropped_ = "the camera had dropped the login (" + FailureLine(failure) + ")";
        ForgetLogin(true);
        return;
    }
    lastFailure_ = FailureView{failure.code, failure.english, failure.text};
    channel.health = SubscriptionHealth{true, kStateStartFailed, 0, -1, failure.code};
    // Counted like a restart, so that the next try waits for a growing pause.
    channel.watch.Started(now, true, settings_.jitter);
}

void CameraWatch::EndSubscription(Channel& channel) {
    if (!channel.subscribed) return;
    // Its count up to the moment it ends, which may be past the latest poll's.
    const SubscriptionHealth last = ReadHealth(settings_.library, userId_, channel.channel);
    channel.eventsBefore +=
        std::max(last.known ? last.dataEvents : 0, channel.health.known ? channel.health.dataEvents : 0);
    channel.health = SubscriptionHealth{};
    channel.subscribed = false;
}

void CameraWatch::ForgetLogin(bool idStillOurs) {
    for (Channel& channel : channels_) {
        if (idStillOurs) {
            EndSubscription(channel);
        } else if (channel.subscribed) {
            // Counted up to the latest poll: the ID's records are another login's now.
            channel.eventsBefore += channel.health.known ? channel.health.dataEvents : 0;
            channel.subscribed = false;
        }
        channel.restart = false;
        channel.health = SubscriptionHealth{};
        // What was read with an ID another login holds may be that login's.
        if (!idStillOurs) channel.rules.clear();
    }
    settings_.userIds.Release(userId_, loginLost_);
    userId_ = -1;
    login_ = LoginState::kDown;
}

void CameraWatch::RestartMarked(Milliseconds now) {
    {
        const UserIdRegistry::CallScope calls(settings_.userIds);
        if (!ForgetIfLost()) RestartMarkedOfLogin(now);
    }
    if (!up() && !lent_) {
        LogInAndSubscribe(now);
        return;
    }
    ReportChanges(now);
}

void CameraWatch::RestartMarkedOfLogin(Milliseconds now) {
    const auto& api = settings_.library.api();
    bool loginFailing = false;
    for (Channel& channel : channels_) {
        if (!channel.restart || !up()) continue;
        channel.restart = false;
        const SubscriptionHealth cause = channel.health;
        ++channel.restarts;
        if (channel.subscribed) {
            EndSubscription(channel);
            api.CamThermometryStop(userId_, channel.channel, 0);
        }
        // Each attempt for a debugging log; the changes it leads to are logged at their own levels.
        settings_.log({LogLevel::kDebug, "restarting the subscription of " + Label(channel), address_,
                       channel.channel});
        Subscribe(channel, now, true);
        // Refused while the camera was failing it: the camera has most likely
        // lost the login as well (a reboot), whatever code the refusal carries.
        loginFailing = loginFailing || (!channel.subscribed && cause.state == kStateCameraFailing);
    }
    if (up() && loginFailing && !lent_) {
        dropped_ = "its subscriptions kept failing";
        // The login still answers (a dropped one refuses with kNoSuchUser): end it whole.
        for (Channel& channel : channels_) {
            if (!channel.subscribed) continue;
            EndSubscription(channel);
            api.CamThermometryStop(userId_, channel.channel, 0);
        }
        api.CamLogout(userId_, 0);
        ForgetLogin(true);
    }
}

CameraWatch::Ending CameraWatch::End(bool logOut) {
    const UserIdRegistry::CallScope calls(settings_.userIds);
    Ending ending;
    if (ForgetIfLost() || !up()) return ending;
    ending.hadLogin = true;
    const auto& api = settings_.library.api();
    for (Channel& channel : channels_) {
        if (!channel.subscribed) continue;
        EndSubscription(channel);
        if (api.CamThermometryStop(userId_, channel.channel, 0) != 1) {
            ending.stopped = false;
            ending.failure = settings_.library.LastFailure();
        }
    }
    if (logOut && !lent_) {
        ending.loggedOut = api.CamLogout(userId_, 0) == 1;
        if (!ending.loggedOut) ending.failure = settings_.library.LastFailure();
    }
    settings_.userIds.Release(userId_, loginLost_);
    userId_ = -1;
    login_ = LoginState::kDown;
    return ending;
}

}  // namespace orvane_cli
