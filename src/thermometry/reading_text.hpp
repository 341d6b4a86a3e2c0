// Readings as the log shows them: "%f" of the reading widened to double, that
// is six decimals of the exact binary value, rounded half to even.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::thermometry {

// Longest rendering: sign, 39 integer digits of the largest float, point, six decimals.
inline constexpr std::size_t kReadingTextMax = 1 + 39 + 1 + 6;

// Writes the rendering of the float with these bits at `out` (room for
// kReadingTextMax characters, no terminator) and returns the end. Every
// reading a camera can plausibly send (magnitude below 2^40) takes an
// integer-only path; the rest, infinities and NaNs go through the library's
// exact shortest-digits converter, which renders them as printf does.
char* AppendReadingText(char* out, uint32_t bits) noexcept;

}  // namespace orvane::thermometry
