// Durations as people type them: "1.5s", "200ms", "10m", "2h", or plain seconds.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace orvane_cli {

using Milliseconds = std::chrono::milliseconds;

// The duration, or nothing when the text is not one or is not positive.
std::optional<Milliseconds> ParseDuration(const std::string& text);
// "mm:ss", or "h:mm:ss" from an hour on.
std::string ClockText(Milliseconds duration);

}  // namespace orvane_cli
