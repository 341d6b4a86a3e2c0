#include <gtest/gtest.h>

#include "subscription_watch.hpp"

namespace orvane_cli {
namespace {

using std::chrono::seconds;

// Polling every second: a failing camera restarts at once, silence and a
// refused start after ten seconds since the latest start, a host's stop never.
TEST(SubscriptionWatch, WhenToRestartAndWhatTheLiveLineSays) {
    const struct {
        const char* what;
        SubscriptionHealth health;
        seconds startedAt, now;
        bool restart;
        const char* text;
    } cases[] = {
        {"fresh", {true, 1, 0, -1, 0}, seconds(0), seconds(1), false, "running"},
        {"data flows", {true, 1, 40, 500, 0}, seconds(0), seconds(40), false, "running"},
        {"quiet a while", {true, 1, 40, 5000, 0}, seconds(0), seconds(45), false, "no data for 5 s"},
        {"silent ten intervals", {true, 1, 40, 10000, 0}, seconds(0), seconds(50), true, "no data for 10 s"},
        {"never any data", {true, 1, 0, -1, 0}, seconds(0), seconds(10), true, "no data for 10 s"},
        {"just restarted", {true, 1, 0, -1, 0}, seconds(30), seconds(35), false, "no data for 5 s"},
        {"old data, fresh restart",
         {true, 1, 0, 30000, 0},
         seconds(25),
         seconds(30),
         false,
         "no data for 30 s"},
        {"camera failing",
         {true, 4, 3, 200, 10},
         seconds(0),
         seconds(3),
         true,
         "failing on the camera (error 10)"},
        {"the camera ended the stream",
         {true, 4, 3, 200, 0},
         seconds(0),
         seconds(3),
         true,
         "failing on the camera"},
        {"start not answered yet", {true, 5, 0, -1, 0}, seconds(0), seconds(60), false, "starting"},
        {"start refused", {true, 3, 0, -1, 0}, seconds(0), seconds(5), false, "start failed"},
        {"start refused long ago", {true, 3, 0, -1, 0}, seconds(0), seconds(10), true, "start failed"},
        {"stopped", {true, 2, 3, 60000, 0}, seconds(0), seconds(60), false, "stopped"},
        {"no subscription", {false, 0, 0, -1, 0}, seconds(0), seconds(60), false, "no subscription"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SubscriptionWatch watch(seconds(1));
        watch.Started(c.startedAt, false);
        EXPECT_EQ(watch.ShouldRestart(c.health, c.now), c.restart);
        EXPECT_EQ(HealthText(c.health, watch.SinceStart(c.now)), c.text);
    }
}

TEST(SubscriptionWatch, CountsRestartsOnly) {
    SubscriptionWatch watch(seconds(2));
    watch.Started(seconds(0), false);
    watch.Started(seconds(5), true);
    watch.Started(seconds(9), true);
    EXPECT_EQ(watch.restarts(), 2);
    EXPECT_EQ(watch.SinceStart(seconds(12)), seconds(3));
    // Twenty seconds of silence is ten intervals of two.
    EXPECT_FALSE(watch.ShouldRestart({true, 1, 0, -1, 0}, seconds(28)));
    EXPECT_TRUE(watch.ShouldRestart({true, 1, 0, -1, 0}, seconds(29)));
    // Fast polling: five seconds at least.
    SubscriptionWatch fast(std::chrono::milliseconds(50));
    EXPECT_FALSE(fast.ShouldRestart({true, 1, 5, 4999, 0}, seconds(60)));
    EXPECT_TRUE(fast.ShouldRestart({true, 1, 5, 5000, 0}, seconds(60)));
}

}  // namespace
}  // namespace orvane_cli
