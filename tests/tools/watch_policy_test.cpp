// When the camera watch tries again: restarts of a subscription, and logins.
#include <gtest/gtest.h>

#include <vector>

#include "watch/retry_policy.hpp"
#include "watch/subscription_watch.hpp"

namespace orvane_cli {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

const Jitter kNoJitter = [] { return 1.0; };

// The channel's silence as the library's status of a lone subscription gives it.
Milliseconds SilenceOf(const SubscriptionHealth& health, Milliseconds sinceStart) {
    return health.msSinceData >= 0 ? Milliseconds(health.msSinceData) : sinceStart;
}

// Polling every second: a failing camera and a refused start restart at once
// (no pause yet), silence after the silence limit (10 s) since the newest data
// and the latest start, a host's stop never.
TEST(SubscriptionWatch, WhenToRestart) {
    const struct {
        const char* what;
        SubscriptionHealth health;
        seconds startedAt, now;
        bool restart;
    } cases[] = {
        {"fresh", {true, 1, 0, -1, 0}, seconds(0), seconds(1), false},
        {"data flows", {true, 1, 40, 500, 0}, seconds(0), seconds(40), false},
        {"quiet a while", {true, 1, 40, 9000, 0}, seconds(0), seconds(45), false},
        {"silent for the limit", {true, 1, 40, 10000, 0}, seconds(0), seconds(50), true},
        {"never any data", {true, 1, 0, -1, 0}, seconds(0), seconds(10), true},
        {"just restarted", {true, 1, 0, -1, 0}, seconds(30), seconds(35), false},
        {"camera failing", {true, 4, 3, 200, 10}, seconds(0), seconds(3), true},
        {"start not answered for the limit", {true, 5, 0, -1, 0}, seconds(0), seconds(10), true},
        {"start refused", {true, 3, 0, -1, 0}, seconds(0), seconds(1), true},
        {"stopped", {true, 2, 3, 60000, 0}, seconds(0), seconds(60), false},
        {"no subscription", {false, 0, 0, -1, 0}, seconds(0), seconds(60), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SubscriptionWatch watch(seconds(1));
        watch.Started(c.startedAt, false, kNoJitter);
        EXPECT_EQ(watch.ShouldRestart(c.health, SilenceOf(c.health, c.now - c.startedAt), c.now), c.restart);
    }
    // The limit is five intervals when that is longer than ten seconds.
    EXPECT_EQ(SilenceLimit(milliseconds(200)), seconds(10));
    EXPECT_EQ(SilenceLimit(seconds(4)), seconds(20));
}

// A camera that fails every new subscription, polled every 200 ms: restarted
// after 1, 2, 4, ... seconds (at most 60), not on every poll; a silent one
// every silence limit until the pause outgrows it. Data ends the pause.
TEST(SubscriptionWatch, RestartsBackOffUntilDataArrives) {
    const auto restartsOf = [](const SubscriptionHealth& health) {
        SubscriptionWatch watch(milliseconds(200));
        std::vector<int64_t> at;
        for (milliseconds now(0); now <= seconds(200); now += milliseconds(200)) {
            watch.Observe(health);
            if (watch.ShouldRestart(health, SilenceOf(health, watch.SinceStart(now)), now)) {
                at.push_back(now.count() / 1000);
                watch.Started(now, true, kNoJitter);
            }
        }
        return at;
    };
    EXPECT_EQ(restartsOf({true, 4, 0, -1, 10}), (std::vector<int64_t>{0, 1, 3, 7, 15, 31, 63, 123, 183}));
    EXPECT_EQ(restartsOf({true, 1, 0, -1, 0}), (std::vector<int64_t>{10, 20, 30, 40, 50, 66, 98, 158}));

    SubscriptionWatch watch(milliseconds(200));
    watch.Started(seconds(0), true, kNoJitter);
    watch.Started(seconds(1), true, kNoJitter);
    EXPECT_EQ(watch.pause(), seconds(2));
    watch.Observe({true, 1, 3, 100, 0});
    EXPECT_EQ(watch.pause(), seconds(0));
    EXPECT_TRUE(
        watch.ShouldRestart({true, 4, 3, 100, 10}, milliseconds(100), seconds(1) + milliseconds(200)));
    watch.Started(seconds(2), true, kNoJitter);
    EXPECT_EQ(watch.pause(), seconds(1));
}

// Logins: the pause grows for network failures up to 30 s, for other
// refusals up to 60 s; a wrong password always waits its own pause; jitter
// only ever shortens a pause, never below three quarters.
TEST(RetryPause, GrowsByKindOfFailure) {
    const struct {
        const char* what;
        int32_t code;
        double jitter;
        std::vector<int64_t> pauses;  // seconds
    } cases[] = {
        {"device offline", 7, 1.0, {1, 2, 4, 8, 16, 30, 30}},
        {"receive timeout", 10, 1.0, {1, 2, 4, 8, 16, 30, 30}},
        {"refused otherwise", 23, 1.0, {1, 2, 4, 8, 16, 32, 60, 60}},
        {"wrong password", 1, 1.0, {600, 600, 600}},
        {"wrong password, jittered", 1, 0.75, {600, 600}},
        {"jittered", 7, 0.75, {0, 1, 3, 6, 12, 22}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RetryPause pause;
        std::vector<int64_t> seen;
        for (std::size_t i = 0; i < c.pauses.size(); ++i) {
            const Milliseconds p =
                pause.After(KindOfFailure(c.code), kDefaultWrongPasswordPause, [&] { return c.jitter; });
            seen.push_back(p.count() / 1000);
        }
        EXPECT_EQ(seen, c.pauses);
    }
    RetryPause pause;
    pause.After(FailureKind::kNetwork, kDefaultWrongPasswordPause, kNoJitter);
    pause.After(FailureKind::kNetwork, kDefaultWrongPasswordPause, kNoJitter);
    pause.Reset();
    EXPECT_EQ(pause.After(FailureKind::kNetwork, kDefaultWrongPasswordPause, kNoJitter), seconds(1));
    const Jitter random = RandomJitter();
    for (int i = 0; i < 100; ++i) {
        const double factor = random();
        EXPECT_TRUE(factor >= 0.75 && factor <= 1.0) << factor;
    }
}

}  // namespace
}  // namespace orvane_cli
