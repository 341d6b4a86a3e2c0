// Ends a test program that hangs, within seconds and saying where, instead of
// leaving it to the test runner's timeout minutes later. A scenario that waits
// on the code under test (a stop that must not wait for another session's
// callback, say) can hang when a fault is planted; the watchdog turns that hang
// into a failure of its own.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace testsupport {

class HangWatchdog {
public:
    HangWatchdog(std::chrono::seconds limit, const char* scenario)
        : watcher_([this, limit, scenario] {
              std::unique_lock guard(lock_);
              if (!changed_.wait_for(guard, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "%s: still not finished after %lld s; ending the test program\n",
                               scenario, static_cast<long long>(limit.count()));
                  std::fflush(stderr);
                  std::_Exit(1);
              }
          }) {}
    ~HangWatchdog() {
        {
            std::lock_guard guard(lock_);
            done_ = true;
        }
        changed_.notify_all();
        watcher_.join();
    }
    HangWatchdog(const HangWatchdog&) = delete;
    HangWatchdog& operator=(const HangWatchdog&) = delete;

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool done_ = false;
    std::thread watcher_;
};

}  // namespace testsupport
