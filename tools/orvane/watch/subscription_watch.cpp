#include "watch/subscription_watch.hpp"

namespace orvane_cli {

std::string HealthText(const SubscriptionHealth& health, Milliseconds sinceStart) {
    if (!health.known) return "no subscription";
    switch (health.state) {
        case kStateRunning: {
            const int64_t silentMs = health.msSinceData >= 0 ? health.msSinceData : sinceStart.count();
            // Polling takes a moment: a second or two without data is normal.
            if (silentMs < 2000) return "running";
            return "no data for " + std::to_string(silentMs / 1000) + " s";
        }
        case kStateStopped:
            return "stopped";
        case kStateStartFailed:
            return "start failed";
        case kStateCameraFailing:
            // Code 0: the camera ended the stream or sent a status without one.
            if (health.cameraCode == 0) return "failing on the camera";
            return "failing on the camera (error " + std::to_string(health.cameraCode) + ")";
        case kStateStarting:
            return "starting";
        default:
            return "state " + std::to_string(health.state);
    }
}

bool SubscriptionWatch::ShouldRestart(const SubscriptionHealth& health, Milliseconds now) const {
    if (!health.known) return false;
    const Milliseconds sinceStart = SinceStart(now);
    if (sinceStart < pause_) return false;
    switch (health.state) {
        case kStateCameraFailing:
            return true;
        case kStateStartFailed:
            return sinceStart >= silenceLimit_;
        case kStateRunning: {
            const Milliseconds silence =
                health.msSinceData >= 0 ? Milliseconds(health.msSinceData) : sinceStart;
            return silence >= silenceLimit_ && sinceStart >= silenceLimit_;
        }
        default:
            return false;
    }
}

void SubscriptionWatch::Started(Milliseconds now, bool counted) {
    startedAt_ = now;
    missedBefore_ += std::max<int64_t>(0, events_ - rows_);
    events_ = rows_ = 0;
    if (!counted) return;
    ++restarts_;
    pause_ = pause_ == Milliseconds::zero() ? kFirstPause : std::min(pause_ * 2, kLongestPause);
}

void SubscriptionWatch::Observe(const SubscriptionHealth& health) {
    if (!health.known) return;
    events_ = health.dataEvents;
    if (health.dataEvents > 0) pause_ = Milliseconds::zero();
}

}  // namespace orvane_cli
