// Where the diagnostic log's bytes go. The library state owns the sink, as it
// owns the SDK table: the shipped library appends to the log file, tests keep
// the bytes in memory, so that no test depends on a folder shared by others.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace orvane::thermometry {

class LogSink {
public:
    virtual ~LogSink() = default;
    // Appends one line's bytes whole. Never fails visibly: a line that cannot be
    // stored is lost.
    virtual void Append(const char* data, std::size_t size) noexcept = 0;
};

// Appends each line to a file, opened for appending for every line.
class FileLogSink final : public LogSink {
public:
    explicit FileLogSink(std::string path) : path_(std::move(path)) {}
    void Append(const char* data, std::size_t size) noexcept override;
    const std::string& Path() const noexcept { return path_; }

private:
    const std::string path_;
};

// The shipped library's sink: the file at the platform's fixed log path.
LogSink& SystemLogSink() noexcept;

}  // namespace orvane::thermometry
