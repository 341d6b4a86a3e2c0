// The condition block that starts a realtime thermometry subscription with the SDK.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::thermometry {

// The SDK's command for realtime thermometry results.
inline constexpr uint32_t kThermometryCommand = 3629;

struct ThermometryCondition {
    uint32_t size;  // of the block: 72
    int32_t channel;
    uint8_t mode;  // 0
    uint8_t reserved[63];
};
static_assert(sizeof(ThermometryCondition) == 72);
static_assert(offsetof(ThermometryCondition, channel) == 4);
static_assert(offsetof(ThermometryCondition, mode) == 8);

}  // namespace orvane::thermometry
