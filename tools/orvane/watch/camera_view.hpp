// What the watch of a camera knows at one moment, as every output shows it:
// plain values, copied whole, so that a reader never sees a camera half updated.
// A reading is current only while it came from the subscription running now and
// its channel had data within the silence limit; anything else is the last
// reading, shown as stale with its age, never as the camera's present state.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "library/measurement.hpp"

namespace orvane_cli {

// A failure as the library described it.
struct FailureView {
    int32_t code = 0;
    std::string english;
    std::string text;  // the library's own text, UTF-8
};

// The newest reading of one measurement rule.
struct RuleView {
    Measurement reading;
    int32_t events = 0;         // the subscription's count of measurements of the rule
    uint64_t subscription = 0;  // which of the channel's subscriptions gave it
    bool current = false;
};

// A channel's state as the tool shows it: the library's subscription states,
// 0 while the camera is not logged in, and kChannelSilent for a subscription
// the library calls running that had no data within the silence limit.
inline constexpr int32_t kChannelNotSubscribed = 0;
inline constexpr int32_t kChannelSilent = 6;

struct ChannelView {
    int32_t channel = 1;
    int32_t state = kChannelNotSubscribed;
    std::string health = "not logged in";
    int32_t cameraCode = 0;
    int64_t dataEventsTotal = 0;  // across every subscription since the watch began
    // Since the channel's newest data, or since its first subscription began
    // while none has come; none before the first subscription.
    std::optional<double> secondsSinceData;
    std::optional<double> lastDataUnixSeconds;  // the host's clock; none before the first data
    double secondsWithoutData = 0;              // the gaps longer than the silence limit, added up
    int64_t restartsTotal = 0;
    std::vector<RuleView> rules;  // by rule ID
};

// The camera's login: logged in, not (yet or any more), or refused for its
// user name or password, which is tried again only rarely (cameras lock accounts).
enum class LoginState { kUp, kDown, kWrongPassword };
// "up", "down", "wrong password".
const char* LoginStateName(LoginState state);

struct CameraView {
    std::string camera;  // the address as given
    bool up = false;
    LoginState login = LoginState::kDown;
    int64_t loginsTotal = 0;
    std::map<int32_t, int64_t> loginFailures;  // by failure code
    std::optional<FailureView> lastFailure;
    double silenceLimitSeconds = 10;
    std::vector<ChannelView> channels;
};

}  // namespace orvane_cli
