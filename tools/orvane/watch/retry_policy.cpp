#include "watch/retry_policy.hpp"

#include <algorithm>
#include <mutex>
#include <random>

namespace orvane_cli {

FailureKind KindOfFailure(int32_t sdkCode) {
    switch (sdkCode) {
        case 1:
            return FailureKind::kWrongPassword;
        case 7:   // connecting failed: offline, or no route
        case 8:   // sending failed
        case 9:   // receiving failed
        case 10:  // receiving timed out
        case 44:  // no socket
        case 45:  // socket options refused
            return FailureKind::kNetwork;
        default:
            return FailureKind::kOther;
    }
}

Jitter RandomJitter() {
    return [] {
        static std::mutex mutex;
        static std::minstd_rand generator{std::random_device{}()};
        std::uniform_real_distribution<double> factor(0.75, 1.0);
        const std::lock_guard lock(mutex);
        return factor(generator);
    };
}

Milliseconds RetryPause::After(FailureKind kind, Milliseconds wrongPasswordPause, const Jitter& jitter) {
    if (kind == FailureKind::kWrongPassword) {
        ++failures_;
        return wrongPasswordPause;
    }
    const Milliseconds longest = kind == FailureKind::kNetwork ? kLongestNetwork : kLongest;
    Milliseconds nominal = kFirst;
    for (int i = 0; i < failures_ && nominal < longest; ++i) nominal *= 2;
    ++failures_;
    nominal = std::min(nominal, longest);
    const double factor = std::clamp(jitter(), 0.0, 1.0);
    return Milliseconds(static_cast<int64_t>(static_cast<double>(nominal.count()) * factor));
}

}  // namespace orvane_cli
