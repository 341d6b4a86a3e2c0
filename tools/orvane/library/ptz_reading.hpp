// Reading and describing the PTZ head's position and ranges (tenths of a degree
// for pan and tilt, tenths of magnification for zoom).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "library/camera_library.hpp"

namespace orvane_cli {

std::optional<std::array<int32_t, 3>> ReadPosition(const CameraLibrary& library, int32_t userId);
std::optional<std::array<int32_t, 6>> ReadRanges(const CameraLibrary& library, int32_t userId);

// "pan 12.5 deg, tilt 3.0 deg, zoom 1.0x"
std::string DescribePosition(const std::array<int32_t, 3>& position);
// "pan 0.0 to 360.0 deg, tilt ..., zoom 1.0x to 32.0x"
std::string DescribeRanges(const std::array<int32_t, 6>& ranges);
// In the text's units, degrees and magnification, with the camera's tenths
// beside them: {"pan": 12.5, "tilt": 3.0, "zoom": 1.0, "raw": {"pan": 125, ...}}.
std::string PositionJson(const std::array<int32_t, 3>& position);
std::string RangesJson(const std::array<int32_t, 6>& ranges);

}  // namespace orvane_cli
