// Writing to the log the ways tests do: a text as one line through a sink, and
// bytes through a log file opened for that one append (so every check runs).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "thermometry/log_sink.hpp"

namespace testsupport {

// The bytes WriteLogLine appends for a text: the text up to its first zero byte
// with every line feed stored as carriage return plus line feed, then CR LF.
std::string LogLineBytes(std::string_view text);

// Appends the text and a line end to the log in one append. Never fails
// visibly: when the sink cannot store it, the line is lost.
void WriteLogLine(orvane::thermometry::LogSink& log, std::string_view text) noexcept;

// Appends the bytes to the log file at `path` through a log file object of its
// own, which opens and checks the folder afresh. False when they were not written.
bool AppendToFile(const char* path, const char* data, std::size_t size) noexcept;

}  // namespace testsupport
