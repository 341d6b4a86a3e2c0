#include "watch/login_pace.hpp"

#include <algorithm>
#include <thread>

namespace orvane_cli {

LoginPace::LoginPace(int perSecond)
    : spacing_(std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) /
               std::max(perSecond, 1)) {}

LoginPace::Clock::time_point LoginPace::Wait() {
    Clock::time_point slot;
    {
        const std::lock_guard lock(mutex_);
        slot = std::max(Clock::now(), next_);
        next_ = slot + spacing_;
    }
    std::this_thread::sleep_until(slot);
    return slot;
}

}  // namespace orvane_cli
