// Durations as people type them: "1.5s", "200ms", "10m", "2h", or plain seconds.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace orvane_cli {

using Milliseconds = std::chrono::milliseconds;

// A week is more than anyone records in one go, and keeps every later sum small.
inline constexpr Milliseconds kLongestDuration{7 * 86'400'000LL};
inline constexpr const char* kLongestDurationText = "168h (7 days)";

// The duration, or nothing when the text is not one, is not positive or is
// longer than kLongestDuration.
std::optional<Milliseconds> ParseDuration(const std::string& text);
// "mm:ss", or "h:mm:ss" from an hour on.
std::string ClockText(Milliseconds duration);

}  // namespace orvane_cli
