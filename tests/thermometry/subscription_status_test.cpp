#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "support/log_support.hpp"
#include "support/standin_fixture.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/logged_in_library_fixture.hpp"
#include "thermometry/subscription_operations.hpp"
#include "thermometry/thermometry_condition.hpp"

namespace orvane::thermometry {
namespace {

struct Seen {
    int32_t state = -9, dataEvents = -9, msSinceData = -9, cameraCode = -9;
};

// One subscription's status through its life: data, a camera-side failure,
// data again, the host's stop, a restart that fails and one that succeeds.
class SubscriptionStatusTest : public testsupport::LoggedInLibraryTest {
protected:
    bool StatusOf(int32_t channel, Seen& seen) {
        return Status(*library, userId, channel, &seen.state, &seen.dataEvents, &seen.msSinceData,
                      &seen.cameraCode);
    }
    int32_t HandleOf(int32_t channel) { return library->Subscriptions().Find(userId, channel)->Handle(); }
    void Data(int32_t channel) {
        const std::vector<uint8_t> block = testsupport::MakeBlock(testsupport::BlockFields{});
        ASSERT_EQ(StandinFireEvent(HandleOf(channel), kEventData, block.data(), 440), 1);
    }
    void CameraStatus(int32_t channel, uint32_t status, uint32_t code, int32_t length = 8) {
        const uint32_t words[2] = {status, code};
        ASSERT_EQ(StandinFireEvent(HandleOf(channel), kEventStatus, words, length), 1);
    }
    void Expect(int32_t channel, int32_t state, int32_t dataEvents, bool hadData, int32_t cameraCode) {
        Seen seen;
        ASSERT_TRUE(StatusOf(channel, seen));
        EXPECT_EQ(seen.state, state);
        EXPECT_EQ(seen.dataEvents, dataEvents);
        if (hadData) {
            EXPECT_GE(seen.msSinceData, 0);
        } else {
            EXPECT_EQ(seen.msSinceData, -1);
        }
        EXPECT_EQ(seen.cameraCode, cameraCode);
    }
};

TEST_F(SubscriptionStatusTest, StatesThroughASubscriptionsLife) {
    ASSERT_TRUE(Start(*library, userId, 1));
    struct Step {
        const char* what;
        std::function<void()> act;
        int32_t state, dataEvents;
        bool hadData;
        int32_t cameraCode;
    };
    const Step steps[] = {
        {"started", [] {}, 1, 0, false, 0},
        {"data", [&] { Data(1); }, 1, 1, true, 0},
        {"success status", [&] { CameraStatus(1, kStatusSuccess, 0); }, 1, 1, true, 0},
        {"camera fails", [&] { CameraStatus(1, kStatusFailure, 10); }, 4, 1, true, 10},
        {"fails again", [&] { CameraStatus(1, kStatusFailure, 7); }, 4, 1, true, 7},
        {"data resumes, code kept", [&] { Data(1); }, 1, 2, true, 7},
        // Any status but success is the camera not delivering.
        {"the camera ends the stream", [&] { CameraStatus(1, STANDIN_STATUS_FINISHED, 7, 4); }, 4, 2, true,
         0},
        {"data again", [&] { Data(1); }, 1, 3, true, 0},
        {"a status the library does not know", [&] { CameraStatus(1, 1, 5); }, 4, 3, true, 0},
        {"data", [&] { Data(1); }, 1, 4, true, 0},
        {"a status too short to read", [&] { CameraStatus(1, kStatusSuccess, 0, 2); }, 4, 4, true, 0},
        {"failure without code", [&] { CameraStatus(1, kStatusFailure, 99, 4); }, 4, 4, true, 0},
        {"stopped", [&] { ASSERT_TRUE(Stop(*library, userId, 1)); }, 2, 4, true, 0},
        {"restart refused: the stopped one answers",
         [&] {
             StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, 23);
             ASSERT_FALSE(Start(*library, userId, 1));
         },
         2, 4, true, 0},
        {"a late event of the stopped subscription still counts",
         [&] {
             const std::vector<uint8_t> block = testsupport::MakeBlock(testsupport::BlockFields{});
             OnThermometryEvent(kEventData, const_cast<uint8_t*>(block.data()), 440,
                                library->Subscriptions().Find(userId, 1));
         },
         2, 5, true, 0},
        {"restarted", [&] { ASSERT_TRUE(Start(*library, userId, 1)); }, 1, 0, false, 0},
        {"camera fails before data", [&] { CameraStatus(1, kStatusFailure, 188); }, 4, 0, false, 188},
        {"first data", [&] { Data(1); }, 1, 1, true, 188},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        Expect(1, step.state, step.dataEvents, step.hadData, step.cameraCode);
    }
    // The status is kept beside the log, which still says what the camera sent.
    EXPECT_NE(testsupport::ReadLog().find("NET_DVR_GET_MANUALTHERM_INFO failed, Code=188"),
              std::string::npos);
}

TEST_F(SubscriptionStatusTest, RefusedStartsUnknownPairsAndNullOutputs) {
    StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, 23);
    ASSERT_FALSE(Start(*library, userId, 2));
    Expect(2, 3, 0, false, 0);
    // A restart on the refused record begins afresh.
    ASSERT_TRUE(Start(*library, userId, 2));
    Expect(2, 1, 0, false, 0);

    Seen untouched;
    EXPECT_FALSE(StatusOf(9, untouched));
    EXPECT_EQ(untouched.state, -9);
    EXPECT_EQ(untouched.msSinceData, -9);
    EXPECT_TRUE(Status(*library, userId, 2, nullptr, nullptr, nullptr, nullptr));
    Seen some;
    EXPECT_TRUE(Status(*library, userId, 2, nullptr, &some.dataEvents, nullptr, nullptr));
    EXPECT_EQ(some.dataEvents, 0);
    EXPECT_EQ(some.state, -9);
}

// The time since the newest data follows the monotonic clock, in
// milliseconds: at least the time slept, at most the time from just before
// the event to just after the query.
TEST_F(SubscriptionStatusTest, TimeSinceDataGrowsAndDataResetsIt) {
    ASSERT_TRUE(Start(*library, userId, 3));
    const auto before = std::chrono::steady_clock::now();
    Data(3);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    Seen seen;
    ASSERT_TRUE(StatusOf(3, seen));
    const auto atMost =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before);
    EXPECT_GE(seen.msSinceData, 30);
    EXPECT_LE(seen.msSinceData, atMost.count());
    const int32_t waited = seen.msSinceData;
    Data(3);
    ASSERT_TRUE(StatusOf(3, seen));
    EXPECT_LE(seen.msSinceData, waited);
}

// The stand-in's own end of a stream (status 1001, nothing after) shows at
// once as the camera not delivering, without a code; a restart runs again.
TEST_F(SubscriptionStatusTest, TheCamerasEndOfTheStreamIsNoticedAtOnce) {
    ASSERT_TRUE(Start(*library, userId, 4));
    Data(4);
    ASSERT_EQ(StandinEndSession(HandleOf(4), STANDIN_STATUS_FINISHED, 0, 0), 1);
    Expect(4, 4, 1, true, 0);
    ASSERT_TRUE(Stop(*library, userId, 4));
    ASSERT_TRUE(Start(*library, userId, 4));
    Expect(4, 1, 0, false, 0);
}

// A start the SDK has not answered yet shows as starting (5), with nothing
// received, and never as the state it will end in nor as the one before: the
// SDK's start call is held until the query has been made on another thread.
// Each case prepares the pair, then starts it once more with the SDK holding
// the call; a pair whose answering subscription runs answers as that one.
class HeldStartTest : public SubscriptionStatusTest {
protected:
    // The library's start, with the SDK's call held until Release().
    void StartHeld(int32_t channel, bool accepted) {
        if (!accepted) StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, 23);
        starter = std::thread([this, channel] {
            library->Subscriptions().Start(userId, channel, [&](ThermometrySubscription& record) {
                held = true;
                while (!released) std::this_thread::yield();
                return SdkStart(record) && whileHeld(record);
            });
            held = false;
        });
        while (!held) std::this_thread::yield();
    }
    void Release() {
        released = true;
        starter.join();
    }
    bool SdkStart(ThermometrySubscription& record) {
        ThermometryCondition condition{};
        condition.size = sizeof condition;
        condition.channel = record.Channel();
        const int32_t handle = library->Sdk().startRemoteConfig(
            record.UserId(), kThermometryCommand, &condition, sizeof condition, &OnThermometryEvent, &record);
        record.SetHandle(handle);
        return handle >= 0;
    }

    std::atomic<bool> held{false}, released{false};
    std::thread starter;
    // Runs after the SDK accepted the held start, inside its call.
    std::function<bool(ThermometrySubscription&)> whileHeld = [](ThermometrySubscription&) { return true; };
};

TEST_F(HeldStartTest, AStartUnderWayIsStarting) {
    // A subscription with data and a camera failure, stopped.
    const auto stoppedWithData = [&] {
        ASSERT_TRUE(Start(*library, userId, 6));
        Data(6);
        CameraStatus(6, kStatusFailure, 9);
        ASSERT_TRUE(Stop(*library, userId, 6));
    };
    const struct {
        const char* what;
        std::function<void()> prepare;
        bool accepted;
        int32_t during;     // the state while the SDK holds the start
        int32_t after;      // the state once it answered
        int32_t dataAfter;  // data events then
        int32_t codeAfter;  // camera code then
    } cases[] = {
        {"first start, accepted", [] {}, true, 5, 1, 0, 0},
        {"first start, refused", [] {}, false, 5, 3, 0, 0},
        {"after a refused start, accepted",
         [&] {
             StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, 23);
             ASSERT_FALSE(Start(*library, userId, 6));
         },
         true, 5, 1, 0, 0},
        {"restart of a stopped pair, accepted", stoppedWithData, true, 5, 1, 0, 0},
        {"restart of a stopped pair, refused: the stopped one answers again", stoppedWithData, false, 5, 2, 1,
         9},
        {"restart of a stopped pair with a refused start behind it",
         [&] {
             ASSERT_TRUE(Start(*library, userId, 6));
             StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, 23);
             ASSERT_FALSE(Start(*library, userId, 6));  // a spare record of the pair
             ASSERT_TRUE(Stop(*library, userId, 6));
         },
         true, 5, 1, 0, 0},
        {"a start beside a running subscription: the running one answers",
         [&] {
             ASSERT_TRUE(Start(*library, userId, 6));
             Data(6);
         },
         true, 1, 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        held = false;
        released = false;
        c.prepare();
        StartHeld(6, c.accepted);
        Seen seen;
        EXPECT_TRUE(StatusOf(6, seen));
        EXPECT_EQ(seen.state, c.during);
        if (c.during == 5) {
            EXPECT_EQ(seen.dataEvents, 0);
            EXPECT_EQ(seen.msSinceData, -1);
            EXPECT_EQ(seen.cameraCode, 0);
        }
        Release();
        Expect(6, c.after, c.dataAfter, c.dataAfter > 0, c.codeAfter);
    }
}

// A restarted pair whose first event is a camera failure: nothing of the old
// subscription's data shows, whether the failure comes while the SDK's start
// call is still under way or after it.
TEST_F(HeldStartTest, ACameraFailureFirstAfterARestartShowsNoOldData) {
    for (const bool duringTheStart : {false, true}) {
        SCOPED_TRACE(duringTheStart ? "during the start call" : "after the start");
        TearDown();
        SetUp();
        held = false;
        released = false;
        ASSERT_TRUE(Start(*library, userId, 7));
        Data(7);
        Data(7);
        ASSERT_TRUE(Stop(*library, userId, 7));
        const uint32_t failure[2] = {kStatusFailure, 31};
        if (duringTheStart) {
            whileHeld = [&](ThermometrySubscription& record) {
                EXPECT_EQ(StandinFireEvent(record.Handle(), kEventStatus, failure, 8), 1);
                return true;
            };
        }
        StartHeld(7, true);
        Release();
        if (!duringTheStart) {
            ASSERT_EQ(StandinFireEvent(HandleOf(7), kEventStatus, failure, 8), 1);
        }
        Expect(7, 4, 0, false, 31);
        whileHeld = [](ThermometrySubscription&) { return true; };
    }
}

// Status queries while SDK threads store data and failures: each answer is one
// publication (a failing state always with its code), and the count never goes
// back. ThreadSanitizer checks that no query touches unpublished fields.
TEST_F(SubscriptionStatusTest, QueriesSeeWholePublicationsWhileEventsArrive) {
    ASSERT_TRUE(Start(*library, userId, 5));
    const int32_t handle = HandleOf(5);
    std::atomic<bool> done{false};
    std::thread sdk([&] {
        const std::vector<uint8_t> block = testsupport::MakeBlock(testsupport::BlockFields{});
        const uint32_t failure[2] = {kStatusFailure, 42};
        for (int i = 0; i < 2000; ++i) {
            StandinFireEvent(handle, i % 3 == 0 ? kEventStatus : kEventData,
                             i % 3 == 0 ? static_cast<const void*>(failure) : block.data(),
                             i % 3 == 0 ? 8 : 440);
        }
        done = true;
    });
    int32_t lastCount = 0;
    while (!done.load()) {
        Seen seen;
        ASSERT_TRUE(StatusOf(5, seen));
        ASSERT_TRUE(seen.state == 1 || seen.state == 4) << seen.state;
        if (seen.state == 4) {
            ASSERT_EQ(seen.cameraCode, 42);
        }
        ASSERT_GE(seen.dataEvents, lastCount);
        lastCount = seen.dataEvents;
    }
    sdk.join();
    Expect(5, 1, 1333, true, 42);
}

}  // namespace
}  // namespace orvane::thermometry
