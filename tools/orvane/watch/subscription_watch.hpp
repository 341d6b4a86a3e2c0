// How thermo record keeps a subscription alive: what its status says, in words
// for the live line, and when to restart it (the camera reports a failure, or
// no data arrived for ten polling intervals, and at least five seconds; never
// sooner than a pause after the previous restart, which doubles while restarts
// bring no data). It also counts the measurements the library received that
// the recording never saw, because more than one arrived between two polls.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "clock/duration.hpp"

namespace orvane_cli {

// The library's status of a subscription (CamThermometryStatus).
struct SubscriptionHealth {
    bool known = false;  // the library answered for the pair
    int32_t state = 0;   // 1 running, 2 stopped, 3 start failed, 4 failing on the camera, 5 starting
    int32_t dataEvents = 0;
    int32_t msSinceData = -1;  // -1 before the first data
    int32_t cameraCode = 0;
};

inline constexpr int32_t kStateRunning = 1;
inline constexpr int32_t kStateStopped = 2;
inline constexpr int32_t kStateStartFailed = 3;
inline constexpr int32_t kStateCameraFailing = 4;
inline constexpr int32_t kStateStarting = 5;

// "running", "no data for 12 s", "failing on the camera (error 10)", "starting", ...
// `sinceStart` stands in for the silence before the first data.
std::string HealthText(const SubscriptionHealth& health, Milliseconds sinceStart);

class SubscriptionWatch {
public:
    // Silence counts after ten polling intervals, but never under kMinimumSilence:
    // a host polling fast says nothing about how often the camera measures.
    static constexpr Milliseconds kMinimumSilence{5000};
    // A camera that fails every new subscription is restarted after a pause that
    // starts at kFirstPause and doubles up to kLongestPause, until data arrives.
    static constexpr Milliseconds kFirstPause{1000};
    static constexpr Milliseconds kLongestPause{60000};
    explicit SubscriptionWatch(Milliseconds interval)
        : silenceLimit_(std::max(interval * 10, kMinimumSilence)) {}

    // Whether to restart the subscription now, `now` being the time since the
    // recording began. A failing camera restarts at once; silence (no data
    // since the newest, or since the start) after ten intervals; a refused
    // start is tried again after ten intervals. Never a subscription the host
    // stopped, and never within the pause after a restart that no data followed.
    bool ShouldRestart(const SubscriptionHealth& health, Milliseconds now) const;
    // The subscription was (re)started at `now`; `counted` for a restart.
    void Started(Milliseconds now, bool counted);
    // The status of the latest poll: data since the latest start ends the
    // pause, and its measurement count tells how many the recording missed.
    void Observe(const SubscriptionHealth& health);
    // The recording wrote a row of the current subscription (or `count`
    // measurements it leaves out on purpose).
    void Recorded(int64_t count = 1) { rows_ += count; }
    // Measurements the subscriptions received that the recording has no row of.
    int64_t missed() const { return missedBefore_ + std::max<int64_t>(0, events_ - rows_); }
    // Time since the latest (re)start.
    Milliseconds SinceStart(Milliseconds now) const { return now - startedAt_; }
    int restarts() const { return restarts_; }

private:
    Milliseconds silenceLimit_;
    Milliseconds startedAt_{0};
    Milliseconds pause_{0};  // none until a restart that no data followed
    int restarts_ = 0;
    // Of the current subscription: measurements it received, rows recorded.
    int64_t events_ = 0;
    int64_t rows_ = 0;
    int64_t missedBefore_ = 0;  // by earlier subscriptions
};

}  // namespace orvane_cli
