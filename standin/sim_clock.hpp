// The simulated camera's sense of time: the real steady clock, or, once frozen by
// a test, a clock that moves only when the test advances it.
#pragma once

#include <cstdint>
#include <mutex>

namespace standin {

class SimClock {
public:
    // Milliseconds since an arbitrary start; never goes backwards.
    int64_t nowMs();
    // Stops following real time; from now on only advance() moves the clock.
    void freeze();
    void advance(uint32_t milliseconds);
    // Follows real time again, carrying on from the current reading.
    void reset();

private:
    int64_t realMs() const;

    std::mutex mutex_;
    bool frozen_ = false;
    int64_t frozenMs_ = 0;
    int64_t offsetMs_ = 0;  // added to real time, so that unfreezing never jumps back
};

}  // namespace standin
