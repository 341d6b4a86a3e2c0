// One event for a log: how much it matters, what happened in words, and the
// camera and channel it is about where there is one. The watching core hands
// these to its command, which writes them as that command's log writes lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace orvane_cli {

enum class LogLevel : uint8_t { kDebug, kInfo, kWarn, kError };

struct LogEvent {
    LogEvent(LogLevel l, std::string m, std::string c = {}, int32_t ch = 0)
        : level(l), message(std::move(m)), camera(std::move(c)), channel(ch) {}

    LogLevel level;
    std::string message;  // the human line, never a password
    std::string camera;   // empty: not about one camera
    int32_t channel;      // 0: not about one channel
};

// "debug", "info", "warn", "error".
std::string_view LogLevelName(LogLevel level);
std::optional<LogLevel> ParseLogLevel(std::string_view name);

}  // namespace orvane_cli
