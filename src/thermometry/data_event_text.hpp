// The log bytes of a data event, rendered straight into the caller's buffer with
// CR LF already in place, so the lines reach the log without another pass.
//
// A data event writes two log lines that share their start:
//   head CR LF                                   (head: "len=<length>,hex=<dump>")
//   head parameters CR LF [reading CR LF] CR LF  (a whole block)
//   head CR LF                                   (no whole block)
// which is byte for byte what the printf formats of the event handler give
// ("len=%d,hex=%s", the parameter line, "%f" per reading) once every line feed
// is stored as CR LF.
#pragma once

#include <cstddef>
#include <cstdint>

#include "thermometry/reading_text.hpp"
#include "thermometry/thermometry_upload.hpp"

namespace orvane::thermometry {

// At most this many bytes of a data event are dumped to the log.
inline constexpr int32_t kDumpLimit = 1024;
// Room for "len=-2147483648,hex=" and the longest dump.
inline constexpr std::size_t kHeadCapacity = 20 + 2 * kDumpLimit;
// Room for the parameter line, the longest reading line and the closing line ends.
inline constexpr std::size_t kDescriptionCapacity = 128 + 40 + 4 * (kReadingTextMax + 2) + 8;

// Writes the head for an event of `length` bytes whose first `dumped` bytes are
// dumped; returns its size. `out` has room for kHeadCapacity bytes.
std::size_t RenderDataHead(char* out, int32_t length, const uint8_t* bytes, std::size_t dumped) noexcept;

// Writes what follows the head on the second line for a whole block: the
// parameter line, the reading line for rule types 0 to 2, each with CR LF, and
// the closing CR LF. `out` has room for kDescriptionCapacity bytes.
std::size_t RenderDataDescription(char* out, const ThermometryUpload& block,
                                  const DecodedTime& time) noexcept;

}  // namespace orvane::thermometry
