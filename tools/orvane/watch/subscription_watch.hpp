// When a channel's subscription needs a restart: the camera reports a
// failure, a start was refused, or no data came within the silence limit
// (max(10 s, 5 polling intervals)); never sooner than the pause after the
// previous restart (watch/retry_policy.hpp), which grows while restarts bring
// no data and ends when data arrives.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "clock/duration.hpp"
#include "watch/retry_policy.hpp"

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

// A camera that measures sends several times a second; one that sent nothing
// for this long is silent, whatever the library's state says.
inline constexpr Milliseconds kShortestSilence{10000};
inline Milliseconds SilenceLimit(Milliseconds interval) { return std::max(kShortestSilence, interval * 5); }

class SubscriptionWatch {
public:
    explicit SubscriptionWatch(Milliseconds interval) : silenceLimit_(SilenceLimit(interval)) {}
    // The polling interval changed: so does the silence limit.
    void SetInterval(Milliseconds interval) { silenceLimit_ = SilenceLimit(interval); }

    // Whether to restart the subscription now (`now` on the watch's clock). A
    // failing camera or a refused start as soon as the pause allows; a running
    // or starting subscription once its channel had no data for the silence
    // limit (`silence`: since its newest data, or its first start) and the
    // subscription ran that long. Never a subscription the host stopped.
    bool ShouldRestart(const SubscriptionHealth& health, Milliseconds silence, Milliseconds now) const;
    // The subscription was (re)started, or its start refused, at `now`;
    // `counted` for a restart, which makes the next one wait a longer pause.
    void Started(Milliseconds now, bool counted, const Jitter& jitter);
    // The status of the latest poll: data ends the pause.
    void Observe(const SubscriptionHealth& health);
    Milliseconds SinceStart(Milliseconds now) const { return now - startedAt_; }
    Milliseconds silenceLimit() const { return silenceLimit_; }
    Milliseconds pause() const { return pause_; }

private:
    Milliseconds silenceLimit_;
    Milliseconds startedAt_{0};
    Milliseconds pause_{0};  // none until a restart that no data followed
    RetryPause retry_;
};

}  // namespace orvane_cli
