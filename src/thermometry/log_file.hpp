// The diagnostic log: one line per call, appended through a log sink.
#pragma once

#include <string>
#include <string_view>

#include "thermometry/log_sink.hpp"

namespace orvane::thermometry {

// The bytes WriteLogLine appends for a text: the text up to its first zero byte
// with every line feed stored as carriage return plus line feed, then CR LF.
std::string LogLineBytes(std::string_view text);

// Appends the text and a line end to the log in one append. Never fails
// visibly: when the sink cannot store it, the line is lost.
void WriteLogLine(LogSink& log, std::string_view text) noexcept;

}  // namespace orvane::thermometry
