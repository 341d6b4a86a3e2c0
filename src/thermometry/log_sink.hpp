// Where the diagnostic log's bytes go. The library state owns the sink, as it
// owns the SDK table: the shipped library appends to the log file, tests keep
// the bytes in memory, so that no test depends on a folder shared by others.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "thermometry/platform/log_file.hpp"

namespace orvane::thermometry {

class LogSink {
public:
    virtual ~LogSink() = default;
    // Appends one line's bytes whole. Never fails visibly: a line that cannot be
    // stored is lost.
    virtual void Append(const char* data, std::size_t size) noexcept = 0;
    // Appends the lines of one event, in order, each whole. A sink that opens
    // something to store lines opens it once for all of them.
    virtual void AppendLines(std::span<const std::string_view> lines) noexcept {
        for (const std::string_view line : lines) Append(line.data(), line.size());
    }
};

// Appends to the log file at a path: each append (one line, or an event's lines)
// through one opening of the file (see platform::LogFile).
class FileLogSink final : public LogSink {
public:
    explicit FileLogSink(std::string_view path) noexcept : file_(path) {}
    void Append(const char* data, std::size_t size) noexcept override;
    void AppendLines(std::span<const std::string_view> lines) noexcept override;

private:
    platform::LogFile file_;
};

// The shipped library's sink: the file at the platform's fixed log path. It is
// never destroyed, so that an event arriving while the process exits still finds it.
LogSink& SystemLogSink() noexcept;

}  // namespace orvane::thermometry
