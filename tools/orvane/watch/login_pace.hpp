// Spaces the beginnings of logins over the whole fleet. After a site-wide
// power cut every camera comes back at once; without a pace the service would
// open hundreds of logins in the same second, which the network, the cameras'
// login handling and the SDK's own threads take badly. The workers bound how
// many logins are in flight; the pace bounds how many begin per second.
#pragma once

#include <chrono>
#include <mutex>

namespace orvane_cli {

class LoginPace {
public:
    using Clock = std::chrono::steady_clock;
    // At most so many logins begin per second; each waits its slot.
    static constexpr int kLoginsPerSecond = 25;

    explicit LoginPace(int perSecond = kLoginsPerSecond);

    // Books the next free slot (now, or one spacing after the previous slot)
    // and sleeps until it; returns the slot.
    Clock::time_point Wait();

private:
    std::mutex mutex_;
    const Clock::duration spacing_;
    Clock::time_point next_{};
};

}  // namespace orvane_cli
