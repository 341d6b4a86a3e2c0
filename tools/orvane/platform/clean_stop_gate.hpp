// Holds back the answer to a stop request that ends the process once it is
// answered, until the command's clean stop is over or a bound runs out: Windows
// ends a process as soon as its handler for a closing console returns.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace orvane_cli::platform {

class CleanStopGate {
public:
    // The clean stop is over: a wait in progress ends, and any later one returns at once.
    void Done() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        doneChanged_.notify_all();
    }

    // True when Done() came before `bound` ran out.
    bool WaitForDone(std::chrono::milliseconds bound) {
        std::unique_lock lock(mutex_);
        return doneChanged_.wait_for(lock, bound, [this] { return done_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable doneChanged_;
    bool done_ = false;
};

}  // namespace orvane_cli::platform
