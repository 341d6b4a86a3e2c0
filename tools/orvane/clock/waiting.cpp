#include "clock/waiting.hpp"

#include <algorithm>
#include <thread>

#include "platform/terminal.hpp"

namespace orvane_cli {

bool SleepUnlessInterrupted(Milliseconds duration) {
    constexpr Milliseconds kStep{20};
    const auto until = std::chrono::steady_clock::now() + duration;
    while (!platform::InterruptRequested()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= until) return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(kStep, until - now));
    }
    return false;
}

}  // namespace orvane_cli
