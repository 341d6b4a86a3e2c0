// How long to wait before trying a camera again, the one policy of every
// command that watches cameras:
//   - a refused login for a wrong user name or password waits the
//     wrong-password pause (10 minutes unless set), always that long, because
//     cameras lock an account after a few failed logins;
//   - a network failure (the camera unreachable, or not answering) waits 1 s,
//     doubling up to 30 s, so that a camera that comes back is seen soon;
//   - any other refused login, and the restart of a subscription that failed
//     or went silent, waits 1 s, doubling up to 60 s.
// Each pause but the wrong password's is shortened by a random part of up to a
// quarter, so that cameras that failed together do not retry in step. Success
// (a login, data on a subscription) starts the doubling again from 1 s.
#pragma once

#include <cstdint>
#include <functional>

#include "clock/duration.hpp"

namespace orvane_cli {

enum class FailureKind { kNetwork, kWrongPassword, kOther };
FailureKind KindOfFailure(int32_t sdkCode);

// A factor in [0.75, 1] for each pause; tests give a fixed one.
using Jitter = std::function<double()>;
Jitter RandomJitter();

inline constexpr Milliseconds kDefaultWrongPasswordPause{600000};

class RetryPause {
public:
    static constexpr Milliseconds kFirst{1000};
    static constexpr Milliseconds kLongestNetwork{30000};
    static constexpr Milliseconds kLongest{60000};

    // The pause after one more failure of `kind`.
    Milliseconds After(FailureKind kind, Milliseconds wrongPasswordPause, const Jitter& jitter);
    // Success: the next failure waits kFirst again.
    void Reset() { failures_ = 0; }
    int failures() const { return failures_; }

private:
    int failures_ = 0;
};

}  // namespace orvane_cli
