#include "serve/camera_session.hpp"

#include <algorithm>

#include "library/rule_reading.hpp"
#include "render/output.hpp"

namespace orvane_cli::serve {
namespace {

std::string Seconds(Milliseconds pause) { return std::to_string(pause.count() / 1000) + " s"; }

}  // namespace

CameraSession::CameraSession(std::string address, const std::vector<int32_t>& channels, Milliseconds interval)
    : address_(std::move(address)), interval_(interval) {
    for (const int32_t channel : channels) channels_.emplace_back(channel, interval);
}

std::string CameraSession::Where(const SessionContext& context) const {
    return context.user + "@" + address_ + ":" + std::to_string(context.port);
}

SubscriptionHealth CameraSession::HealthOf(const SessionContext& context, const Channel& channel) const {
    if (!channel.subscribed) return SubscriptionHealth{true, kStateStartFailed, 0, -1, 0};
    return ReadHealth(context.library, userId_, channel.channel);
}

bool CameraSession::ForgetIfLost(const SessionContext& context) {
    if (!up() || !loginLost_.load(std::memory_order_acquire)) return false;
    context.log.Line(address_ + " lost its login: the SDK gave its user ID " + std::to_string(userId_) +
                     " to another login; logging in again");
    ForgetLogin(context, false);
    return true;
}

CameraJob CameraSession::Poll(const SessionContext& context, Milliseconds now) {
    ForgetIfLost(context);
    if (!up()) return now >= nextLogin_ ? CameraJob::kLogIn : CameraJob::kNone;
    bool restart = false;
    for (Channel& channel : channels_) {
        if (channel.subscribed) {
            for (const int32_t id : RulesOf(context.library, userId_, channel.channel)) {
                if (const auto read = ReadRule(context.library, userId_, channel.channel, id)) {
                    channel.rules[id] = read->first;
                }
            }
        }
        channel.health = HealthOf(context, channel);
        channel.watch.Observe(channel.health);
        channel.restart = channel.watch.ShouldRestart(channel.health, now);
        restart = restart || channel.restart;
    }
    // Another login given the ID while these reads ran: what they read may be
    // that login's, and is dropped with the login.
    if (ForgetIfLost(context)) return now >= nextLogin_ ? CameraJob::kLogIn : CameraJob::kNone;
    return restart ? CameraJob::kRestart : CameraJob::kNone;
}

void CameraSession::RecordFailure(const LibraryFailure& failure) {
    lastFailure_ = FailureView{failure.code, failure.english, failure.text};
}

void CameraSession::LogInAndSubscribe(const SessionContext& context, Milliseconds now) {
    const auto& api = context.library.api();
    int32_t userId = -1;
    LibraryFailure failure;
    bool inherited = false;
    {
        const UserIdRegistry::LoginScope login(context.userIds);
        userId =
            api.CamLogin(address_.c_str(), context.port, context.user.c_str(), context.password.c_str(), 0);
        // Read on the calling thread, before another login can record its own.
        if (userId < 0) failure = context.library.LastFailure();
        // Claimed before any call with a held ID may run, so that a camera that
        // held this one finds out before it would use it again.
        if (userId >= 0) inherited = context.userIds.Claim(userId, loginLost_);
    }
    if (userId < 0) {
        ++loginFailures_[failure.code];
        RecordFailure(failure);
        loginPause_ = loginPause_ == Milliseconds::zero() ? kFirstLoginPause
                                                          : std::min(loginPause_ * 2, kLongestLoginPause);
        nextLogin_ = now + loginPause_;
        context.log.Line("login to " + Where(context) + " failed: " + FailureLine(failure) +
                         "; trying again in " + Seconds(loginPause_));
        return;
    }
    userId_ = userId;
    ++logins_;
    loginPause_ = Milliseconds::zero();
    lastFailure_.reset();
    context.log.Line(std::string(logins_ > 1 ? "logged in again to " : "logged in to ") + Where(context) +
                     " (user ID " + std::to_string(userId) + ")");
    const UserIdRegistry::CallScope calls(context.userIds);
    if (inherited) StopInherited(context);
    for (Channel& channel : channels_) {
        if (ForgetIfLost(context)) return;
        channel.watch = SubscriptionWatch(interval_);
        Subscribe(context, channel, now, false);
        if (!up()) return;  // dropped again at once
    }
}

void CameraSession::StopInherited(const SessionContext& context) {
    // The camera that held the ID forgot it without a call; its subscriptions on
    // the ID are the library's answering records of these channels until stopped.
    // Every camera of the service subscribes the same channels.
    std::string channels;
    for (const Channel& channel : channels_) {
        if (context.library.api().CamThermometryStop(userId_, channel.channel, 0) == 1)
            channels += " " + std::to_string(channel.channel);
    }
    if (!channels.empty())
        context.log.Line("stopped what a dropped login left subscribed on user ID " +
                         std::to_string(userId_) + " (channel" + channels + ") before subscribing " +
                         address_);
}

void CameraSession::Subscribe(const SessionContext& context, Channel& channel, Milliseconds now,
                              bool restart) {
    const std::string label = address_ + " channel " + std::to_string(channel.channel);
    channel.subscribed = context.library.api().CamThermometryStart(userId_, channel.channel, 0) == 1;
    if (channel.subscribed) {
        // A restart counts, so that restarts that bring no data wait for a growing pause.
        channel.watch.Started(now, restart);
        context.log.Line("subscribed to the thermometry of " + label);
        return;
    }
    const LibraryFailure failure = context.library.LastFailure();
    RecordFailure(failure);
    if (failure.code == kNoSuchUser) {
        context.log.Line(address_ + " dropped the login (" + FailureLine(failure) + "); logging in again");
        ForgetLogin(context);
        return;
    }
    // Counted like a restart, so that the next try waits for a growing pause.
    channel.watch.Started(now, true);
    context.log.Line("starting the thermometry of " + label + " failed: " + FailureLine(failure));
}

void CameraSession::EndSubscription(const SessionContext& context, Channel& channel) {
    if (!channel.subscribed) return;
    // Its count up to the moment it ends, which may be past the latest poll's.
    const SubscriptionHealth last = ReadHealth(context.library, userId_, channel.channel);
    channel.eventsBefore +=
        std::max(last.known ? last.dataEvents : 0, channel.health.known ? channel.health.dataEvents : 0);
    channel.health = SubscriptionHealth{};
    channel.subscribed = false;
}

void CameraSession::ForgetLogin(const SessionContext& context, bool idStillOurs) {
    for (Channel& channel : channels_) {
        if (idStillOurs) {
            EndSubscription(context, channel);
        } else if (channel.subscribed) {
            // Counted up to the latest poll: the ID's records are another login's now.
            channel.eventsBefore += channel.health.known ? channel.health.dataEvents : 0;
            channel.subscribed = false;
        }
    }
    context.userIds.Release(userId_, loginLost_);
    userId_ = -1;
    for (Channel& channel : channels_) {
        channel.restart = false;
        channel.health = SubscriptionHealth{};
        channel.rules.clear();
    }
}

void CameraSession::RestartMarked(const SessionContext& context, Milliseconds now) {
    {
        const UserIdRegistry::CallScope calls(context.userIds);
        if (!ForgetIfLost(context)) RestartMarkedOfLogin(context, now);
    }
    if (!up()) LogInAndSubscribe(context, now);
}

void CameraSession::RestartMarkedOfLogin(const SessionContext& context, Milliseconds now) {
    const auto& api = context.library.api();
    bool loginFailing = false;
    for (Channel& channel : channels_) {
        if (!channel.restart || !up()) continue;
        channel.restart = false;
        const SubscriptionHealth cause = channel.health;
        context.log.Line("restarting the subscription of " + address_ + " channel " +
                         std::to_string(channel.channel) + ": " +
                         HealthText(cause, channel.watch.SinceStart(now)));
        ++channel.restarts;
        if (channel.subscribed) {
            EndSubscription(context, channel);
            api.CamThermometryStop(userId_, channel.channel, 0);
        }
        Subscribe(context, channel, now, true);
        // Refused while the camera was failing it: the camera has most likely
        // lost the login as well (a reboot), whatever code the refusal carries.
        loginFailing = loginFailing || (!channel.subscribed && cause.state == kStateCameraFailing);
    }
    if (up() && loginFailing) {
        context.log.Line("logging in to " + address_ + " again, as its subscriptions keep failing");
        // The login still answers (a dropped one refuses with kNoSuchUser): end it whole.
        for (Channel& channel : channels_) {
            if (!channel.subscribed) continue;
            EndSubscription(context, channel);
            api.CamThermometryStop(userId_, channel.channel, 0);
        }
        api.CamLogout(userId_, 0);
        ForgetLogin(context);
    }
}

void CameraSession::StopAndLogOut(const SessionContext& context) {
    const UserIdRegistry::CallScope calls(context.userIds);
    if (ForgetIfLost(context) || !up()) return;
    const auto& api = context.library.api();
    bool stopped = true;
    for (Channel& channel : channels_) {
        if (!channel.subscribed) continue;
        EndSubscription(context, channel);
        if (api.CamThermometryStop(userId_, channel.channel, 0) != 1) stopped = false;
    }
    const bool loggedOut = api.CamLogout(userId_, 0) == 1;
    context.log.Line(
        std::string(stopped ? "stopped the subscriptions of " : "stopping a subscription failed on ") +
        address_ +
        (loggedOut ? "; logged out" : "; logging out failed: " + FailureLine(context.library.LastFailure())));
    context.userIds.Release(userId_, loginLost_);
    userId_ = -1;
}

CameraView CameraSession::View(Milliseconds now) const {
    CameraView view;
    view.camera = address_;
    view.up = up();
    view.loginsTotal = logins_;
    view.loginFailures = loginFailures_;
    view.lastFailure = lastFailure_;
    for (const Channel& channel : channels_) {
        ChannelView c;
        c.channel = channel.channel;
        c.restartsTotal = channel.restarts;
        const bool running = up() && channel.subscribed && channel.health.known;
        c.dataEventsTotal = channel.eventsBefore + (running ? channel.health.dataEvents : 0);
        if (up() && !channel.health.known) {
            // (Re)started since the latest poll, or refused.
            c.state = channel.subscribed ? kStateStarting : kStateStartFailed;
            c.health = channel.subscribed ? "starting" : "start failed";
        } else if (up()) {
            c.state = channel.health.state;
            c.health = HealthText(channel.health, channel.watch.SinceStart(now));
            c.cameraCode = channel.health.cameraCode;
            if (running && channel.health.msSinceData >= 0)
                c.secondsSinceData = channel.health.msSinceData / 1000.0;
        }
        for (const auto& [id, m] : channel.rules) c.rules.push_back(m);
        view.channels.push_back(std::move(c));
    }
    return view;
}

}  // namespace orvane_cli::serve
