// The diagnostic log: one line per call, appended to a fixed file.
#pragma once

#include <string>
#include <string_view>

namespace orvane::thermometry {

// The bytes WriteLogLine appends for a text: the text up to its first zero byte
// with every line feed stored as carriage return plus line feed, then CR LF.
std::string LogLineBytes(std::string_view text);

// Appends the text and a line end to the log file in one write. Never fails
// visibly: when the file cannot be opened or written, the line is lost.
void WriteLogLine(std::string_view text) noexcept;

}  // namespace orvane::thermometry
