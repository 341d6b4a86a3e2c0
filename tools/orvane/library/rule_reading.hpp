// Reading a subscription through the library: its status, the rules it has had
// measurements of, and each rule's newest measurement. None of these waits on
// the camera.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "library/camera_library.hpp"
#include "library/measurement.hpp"
#include "watch/subscription_watch.hpp"

namespace orvane_cli {

// The library's status of the subscription of (userId, channel).
SubscriptionHealth ReadHealth(const CameraLibrary& library, int32_t userId, int32_t channel);

// A rule's newest measurement, with the subscription's count of measurements of it.
std::optional<std::pair<Measurement, int32_t>> ReadRule(const CameraLibrary& library, int32_t userId,
                                                        int32_t channel, int32_t rule);

// The rule IDs the subscription has had measurements of, ascending.
std::vector<int32_t> RulesOf(const CameraLibrary& library, int32_t userId, int32_t channel);

}  // namespace orvane_cli
