// What a camera's watch shows and logs: each channel's state as the outputs
// name it, whether its readings are current, and one log line per change.
#include "render/output.hpp"
#include "watch/camera_watch.hpp"

namespace orvane_cli {
namespace {

std::string Seconds(Milliseconds span) { return std::to_string(span.count() / 1000) + " s"; }

// The pause before the next login, in the words of the log.
std::string NextTry(Milliseconds pause, LoginState login) {
    // Rounded up: a jittered pause of 0.8 s is "1 s", never "0 s".
    std::string text = "; trying again in " + Seconds(pause + Milliseconds(999));
    if (login == LoginState::kWrongPassword)
        text +=
            " (cameras lock an account after a few failed logins; a changed --password-file is tried at "
            "once)";
    return text;
}

}  // namespace

std::optional<Milliseconds> CameraWatch::SinceData(const Channel& channel, Milliseconds now) const {
    if (channel.lastData) return now - *channel.lastData;
    if (channel.firstStart) return now - *channel.firstStart;
    return std::nullopt;
}

CameraWatch::Shown CameraWatch::Show(const Channel& channel, Milliseconds now) const {
    if (!up()) return {};
    const SubscriptionHealth& h = channel.health;
    const Milliseconds silence = SinceData(channel, now).value_or(Milliseconds::zero());
    const bool silent = silence >= channel.watch.silenceLimit();
    // A restart under way changes nothing of a silence: no data is no data.
    const Shown silentShown{kChannelSilent, "silent: no data for " + Seconds(silence), 0};
    if (!h.known || (!channel.subscribed && h.state == kStateStartFailed)) {
        if (channel.subscribed) return silent ? silentShown : Shown{kStateStarting, "starting", 0};
        return {
            kStateStartFailed,
            h.cameraCode != 0 ? "start failed (error " + std::to_string(h.cameraCode) + ")" : "start failed",
            h.cameraCode};
    }
    switch (h.state) {
        case kStateRunning: {
            if (silent) return silentShown;
            // Polling takes a moment: a second or two without data is normal.
            if (silence < Milliseconds(2000)) return {kStateRunning, "running", 0};
            return {kStateRunning, "no data for " + Seconds(silence), 0};
        }
        case kStateStopped:
            return {h.state, "stopped", 0};
        case kStateCameraFailing:
            // Code 0: the camera ended the stream or sent a status without one.
            if (h.cameraCode == 0) return {h.state, "failing on the camera", 0};
            return {h.state, "failing on the camera (error " + std::to_string(h.cameraCode) + ")",
                    h.cameraCode};
        case kStateStarting:
            return silent ? silentShown : Shown{h.state, "starting", 0};
        default:
            return {h.state, "state " + std::to_string(h.state), h.cameraCode};
    }
}

CameraView CameraWatch::View(Milliseconds now, double unixNow) const {
    CameraView view;
    view.camera = address_;
    view.up = up();
    view.login = login_;
    view.loginsTotal = logins_;
    view.loginFailures = loginFailures_;
    view.lastFailure = lastFailure_;
    view.silenceLimitSeconds = SilenceLimit(settings_.Interval()).count() / 1000.0;
    for (const Channel& channel : channels_) {
        ChannelView c;
        c.channel = channel.channel;
        c.restartsTotal = channel.restarts;
        c.dataEventsTotal =
            channel.eventsBefore +
            (up() && channel.subscribed && channel.health.known ? channel.health.dataEvents : 0);
        const Shown shown = Show(channel, now);
        c.state = shown.state;
        c.health = shown.health;
        c.cameraCode = shown.cameraCode;
        const std::optional<Milliseconds> since = SinceData(channel, now);
        if (since) c.secondsSinceData = since->count() / 1000.0;
        if (channel.lastData) c.lastDataUnixSeconds = unixNow - (now - *channel.lastData).count() / 1000.0;
        c.secondsWithoutData = channel.withoutData.count() / 1000.0;
        if (since && *since > channel.watch.silenceLimit()) c.secondsWithoutData += since->count() / 1000.0;
        for (const auto& [id, rule] : channel.rules) {
            RuleView r = rule;
            r.current =
                c.state == kStateRunning && channel.subscribed && rule.subscription == channel.subscription;
            c.rules.push_back(r);
        }
        view.channels.push_back(std::move(c));
    }
    return view;
}

void CameraWatch::ReportChanges(Milliseconds now) {
    if (!up() && lastFailure_ && login_ != LoginState::kUp && lastFailure_->code != loggedFailure_ &&
        loginFailures_.count(lastFailure_->code) != 0) {
        // The cause comes first: a camera off the network says so before anything else.
        // A refused password needs someone; a camera off the network may come back by itself.
        settings_.log({login_ == LoginState::kWrongPassword ? LogLevel::kError : LogLevel::kWarn,
                       "login to " + Where() + " failed: " +
                           FailureLine({lastFailure_->code, lastFailure_->text, lastFailure_->english}) +
                           NextTry(loginPause_, login_) + (dropped_.empty() ? "" : " (" + dropped_ + ")"),
                       address_});
        loggedFailure_ = lastFailure_->code;
        dropped_.clear();
    }
    if (!up()) {
        // While the camera is down its channels say nothing of their own.
        for (Channel& channel : channels_) channel.loggedState = -1;
        return;
    }
    for (Channel& channel : channels_) {
        const Shown shown = Show(channel, now);
        // A start under way is no state to tell; the one it leads to is.
        if (shown.state == kStateStarting) continue;
        const int32_t before = channel.loggedState;
        if (before == shown.state && channel.loggedCode == shown.cameraCode) continue;
        channel.loggedState = shown.state;
        channel.loggedCode = shown.cameraCode;
        if (shown.state == kStateRunning) {
            // The first data of a login is no news; data after a failure or silence is.
            if (before == kStateCameraFailing || before == kStateStartFailed || before == kChannelSilent)
                settings_.log({LogLevel::kInfo,
                               Label(channel) + ": running again after " + std::to_string(channel.restarts) +
                                   " restart" + (channel.restarts == 1 ? "" : "s") + " in all",
                               address_, channel.channel});
            continue;
        }
        const bool retried = shown.state == kStateCameraFailing || shown.state == kStateStartFailed ||
                             shown.state == kChannelSilent;
        settings_.log(
            {retried ? LogLevel::kWarn : LogLevel::kInfo,
             Label(channel) + ": " + shown.health +
                 (retried ? "; restarting the subscription, with a growing pause while it brings no data"
                          : ""),
             address_, channel.channel});
    }
}

}  // namespace orvane_cli
