// How the service writes a log event as one line: as today's human lines
// (the default), or for a log collector as logfmt or JSON, each with its time
// (UTC, to the millisecond), level, message, and camera and channel where the
// event has them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "watch/log_event.hpp"

namespace orvane_cli::serve {

enum class LogFormat { kHuman, kLogfmt, kJson };

// "human", "logfmt", "json".
std::optional<LogFormat> ParseLogFormat(std::string_view name);

// The line for `event` at Unix time `time`, without its line end.
std::string FormatLogLine(const LogEvent& event, LogFormat format, double time);

// "2026-12-09T10:00:00.123Z".
std::string Rfc3339Utc(double unixSeconds);

}  // namespace orvane_cli::serve
