// The SDK's callback for thermometry subscriptions: keeps the newest measurement
// in the subscription record and writes an account of every event to the log.
#pragma once

#include <cstdint>

#include "hcnetsdk.h"
#include "thermometry/data_event_text.hpp"

namespace orvane::thermometry {

// Event kinds and status words of a remote-configuration subscription.
inline constexpr int32_t kEventStatus = 0;
inline constexpr int32_t kEventData = 2;
inline constexpr uint32_t kStatusSuccess = 1000;
inline constexpr uint32_t kStatusFailure = 1002;

// `record` is the ThermometrySubscription given at start. A data event with a
// null buffer or fewer than 440 bytes is counted and logged, but not stored:
// nothing past the reported length is read. Never throws.
void HCNETSDK_CALL OnThermometryEvent(int32_t kind, void* buffer, int32_t length, void* record);

}  // namespace orvane::thermometry
