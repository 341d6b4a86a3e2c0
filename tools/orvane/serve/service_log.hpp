// The service's log: one line per event on standard error or in a log file
// (log_file.hpp), whole lines even when several threads log at once, in the
// format asked for (log_format.hpp) and from the least level asked for; in a
// file, a human line begins with its time (UTC), which standard error leaves
// to whatever collects it. Never a password. A line that cannot be written
// (standard error closed, its pipe's reader gone, a full disk) is counted and
// the service goes on.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "serve/log_file.hpp"
#include "serve/log_format.hpp"

namespace orvane_cli::serve {

class ServiceLog {
public:
    // `file` (outliving the log) instead of standard error unless null.
    explicit ServiceLog(LogFormat format = LogFormat::kHuman, LogLevel least = LogLevel::kInfo,
                        LogFile* file = nullptr)
        : format_(format), least_(least), file_(file) {}

    void Write(const LogEvent& event);
    void Line(const std::string& text) { Write({LogLevel::kInfo, text}); }
    // Where the service listens, written whatever the least level, as scripts
    // wait for it: in the human format a line of its own, "listening on URL";
    // an info event otherwise.
    void Listening(const std::string& url);
    // Lines that could not be written.
    uint64_t failures() const { return failures_.load(std::memory_order_relaxed); }

private:
    void Put(const std::string& line);

    const LogFormat format_;
    const LogLevel least_;
    LogFile* const file_;
    std::mutex mutex_;
    std::atomic<uint64_t> failures_{0};
};

}  // namespace orvane_cli::serve
