// The service's log: one line per event on standard error, whole lines even
// when several threads log at once. Never a password. A line that cannot be
// written (standard error closed, its pipe's reader gone, a full disk) is
// counted and the service goes on.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace orvane_cli::serve {

class ServiceLog {
public:
    void Line(const std::string& text);
    // Lines that could not be written.
    uint64_t failures() const { return failures_.load(std::memory_order_relaxed); }

private:
    std::mutex mutex_;
    std::atomic<uint64_t> failures_{0};
};

}  // namespace orvane_cli::serve
