#include <gtest/gtest.h>

#include <vector>

#include "watch/subscription_watch.hpp"

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

// A camera that fails every new subscription: polled every 200 ms, it is
// restarted after 1, 2, 4, ... seconds (at most 60), not on every poll; data
// ends the pause, so the next failure restarts at once.
TEST(SubscriptionWatch, RestartsOfAFailingCameraBackOffUntilDataArrives) {
    using std::chrono::milliseconds;
    SubscriptionWatch watch(milliseconds(200));
    const SubscriptionHealth failing{true, 4, 0, -1, 10};
    std::vector<int64_t> restartedAt;
    for (milliseconds now(0); now <= seconds(200); now += milliseconds(200)) {
        watch.Observe(failing);
        if (watch.ShouldRestart(failing, now)) {
            restartedAt.push_back(now.count());
            watch.Started(now, true);
        }
    }
    const std::vector<int64_t> expected{0, 1000, 3000, 7000, 15000, 31000, 63000, 123000, 183000};
    EXPECT_EQ(restartedAt, expected);
    // Data on the latest subscription: the next failure restarts at the next poll.
    const SubscriptionHealth delivering{true, 1, 3, 100, 0};
    watch.Observe(delivering);
    const SubscriptionHealth failedAfterData{true, 4, 3, 100, 10};
    EXPECT_TRUE(watch.ShouldRestart(failedAfterData, seconds(183) + milliseconds(200)));
}

// Measurements the library counted that got no row, over restarts: a
// subscription's count begins at 0 again, what the earlier ones missed stays.
TEST(SubscriptionWatch, CountsMeasurementsMissedBetweenPolls) {
    SubscriptionWatch watch(seconds(1));
    EXPECT_EQ(watch.missed(), 0);
    watch.Recorded();
    watch.Observe({true, 1, 1, 10, 0});
    EXPECT_EQ(watch.missed(), 0);
    watch.Recorded();
    watch.Observe({true, 1, 5, 10, 0});  // three arrived unseen between two polls
    EXPECT_EQ(watch.missed(), 3);
    watch.Started(seconds(30), true);
    EXPECT_EQ(watch.missed(), 3);
    watch.Recorded();
    watch.Observe({true, 1, 2, 10, 0});
    EXPECT_EQ(watch.missed(), 4);
    // A measurement that arrived between a poll's read and its status is no
    // miss once the next poll records it.
    watch.Recorded();
    watch.Recorded();
    watch.Observe({true, 1, 3, 10, 0});
    EXPECT_EQ(watch.missed(), 3);
}

}  // namespace
}  // namespace orvane_cli
