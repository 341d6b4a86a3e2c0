// Reading the current PTZ position and the PTZ ranges.
#pragma once

#include <array>
#include <cstdint>

#include "core/library_state.hpp"

namespace orvane::camera {

// Reads a 16-bit value's hexadecimal digits, most significant first, as decimal
// digits up to the first digit from A to F: 0x1234 gives 1234, 0x12AB gives 12,
// 0x0ABC gives 0. Binary-coded decimal values give exactly the number they spell.
int32_t BcdWordToInt(uint16_t value) noexcept;

// Queries the position and writes its three values, zero-extended, to the
// outputs in order. Outputs are written only on success; null ones are skipped.
bool PtzGetCurrent(LibraryState& library, int32_t userId, const std::array<int32_t*, 3>& outputs) noexcept;

// Queries the ranges and writes their six values, through BcdWordToInt, to the
// outputs in order. Outputs are written only on success; null ones are skipped.
bool PtzGetScope(LibraryState& library, int32_t userId, const std::array<int32_t*, 6>& outputs) noexcept;

}  // namespace orvane::camera
