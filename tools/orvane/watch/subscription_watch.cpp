#include "watch/subscription_watch.hpp"

namespace orvane_cli {

bool SubscriptionWatch::ShouldRestart(const SubscriptionHealth& health, Milliseconds silence,
                                      Milliseconds now) const {
    if (!health.known) return false;
    const Milliseconds sinceStart = SinceStart(now);
    if (sinceStart < pause_) return false;
    switch (health.state) {
        case kStateCameraFailing:
        case kStateStartFailed:
            return true;
        case kStateRunning:
        case kStateStarting:
            return silence >= silenceLimit_ && sinceStart >= silenceLimit_;
        default:
            return false;
    }
}

void SubscriptionWatch::Started(Milliseconds now, bool counted, const Jitter& jitter) {
    startedAt_ = now;
    if (counted) pause_ = retry_.After(FailureKind::kOther, Milliseconds::zero(), jitter);
}

void SubscriptionWatch::Observe(const SubscriptionHealth& health) {
    if (!health.known || health.dataEvents <= 0) return;
    pause_ = Milliseconds::zero();
    retry_.Reset();
}

}  // namespace orvane_cli
