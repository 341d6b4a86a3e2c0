// The fixed records the SDK fills when asked for the PTZ position and ranges.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace orvane::camera {

static_assert(std::endian::native == std::endian::little, "SDK records are little-endian");

// Configuration command and answer of the current position query.
inline constexpr uint32_t kPtzPositionCommand = 293;
// Configuration command and answer of the range query.
inline constexpr uint32_t kPtzRangeCommand = 294;
// Both queries ask about the device as a whole, not about one channel.
inline constexpr int32_t kAllChannels = -1;

struct PtzPositionRecord {
    uint16_t reserved;     // the device's own; never handed on
    uint16_t position[3];  // position values 1 to 3, as the device reports them
};
static_assert(sizeof(PtzPositionRecord) == 8);
static_assert(offsetof(PtzPositionRecord, reserved) == 0);
static_assert(offsetof(PtzPositionRecord, position) == 2);

struct PtzRangeRecord {
    uint16_t range[6];  // range values 1 to 6, each four binary-coded decimal digits
};
static_assert(sizeof(PtzRangeRecord) == 12);
static_assert(offsetof(PtzRangeRecord, range) == 0);

}  // namespace orvane::camera
