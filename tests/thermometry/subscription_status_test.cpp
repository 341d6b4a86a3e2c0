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
        {"failure without code", [&] { CameraStatus(1, kStatusFailure, 99, 4); }, 4, 2, true, 0},
        {"other status", [&] { CameraStatus(1, 1, 0); }, 4, 2, true, 0},
        {"stopped", [&] { ASSERT_TRUE(Stop(*library, userId, 1)); }, 2, 2, true, 0},
        {"restart refused: the stopped one answers",
         [&] {
             StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, 23);
             ASSERT_FALSE(Start(*library, userId, 1));
         },
         2, 2, true, 0},
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

// The time since the newest data follows the monotonic clock (lower bounds
// only: the machine may be slow, never fast).
TEST_F(SubscriptionStatusTest, TimeSinceDataGrowsAndDataResetsIt) {
    ASSERT_TRUE(Start(*library, userId, 3));
    Data(3);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    Seen seen;
    ASSERT_TRUE(StatusOf(3, seen));
    EXPECT_GE(seen.msSinceData, 30);
    const int32_t waited = seen.msSinceData;
    Data(3);
    ASSERT_TRUE(StatusOf(3, seen));
    EXPECT_LE(seen.msSinceData, waited);
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
