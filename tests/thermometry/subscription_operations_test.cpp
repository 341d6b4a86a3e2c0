#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "core/library_state.hpp"
#include "core/sdk_error_text.hpp"
#include "support/log_support.hpp"
#include "support/standin_fixture.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/logged_in_library_fixture.hpp"
#include "thermometry/subscription_operations.hpp"

namespace orvane::thermometry {
namespace {

using testsupport::CallsOf;

class ThermometrySubscriptionsTest : public testsupport::LoggedInLibraryTest {
protected:
    struct Cells {
        int32_t date = -1, time = -1;
        uint32_t max = 1, min = 1, avg = 1;
    };
    bool ReadInto(int32_t channel, Cells& cells) {
        return Read(*library, userId, channel, &cells.date, &cells.time, &cells.max, &cells.min, &cells.avg);
    }
    int32_t HandleOf(int32_t channel) {
        return library->Subscriptions().Find(userId, channel)->configHandle.load();
    }
    static void FireBlock(int32_t handle, const std::vector<uint8_t>& block) {
        ASSERT_EQ(StandinFireEvent(handle, kEventData, block.data(), static_cast<int32_t>(block.size())), 1);
    }
};

TEST_F(ThermometrySubscriptionsTest, StartHandsTheSdkTheConditionBlockAndTheRecord) {
    ASSERT_TRUE(Start(*library, userId, 0x01020304));
    const auto starts = CallsOf(STANDIN_OP_START_REMOTE_CONFIG);
    ASSERT_EQ(starts.size(), 1u);
    const auto* record = library->Subscriptions().Find(userId, 0x01020304);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(starts[0].arguments[0], userId);
    EXPECT_EQ(starts[0].arguments[1], 3629);
    EXPECT_EQ(starts[0].arguments[3], 72);
    EXPECT_EQ(starts[0].arguments[4],
              static_cast<int64_t>(reinterpret_cast<std::uintptr_t>(&OnThermometryEvent)));
    EXPECT_EQ(starts[0].arguments[5], static_cast<int64_t>(reinterpret_cast<std::uintptr_t>(record)));
    std::vector<uint8_t> condition(72, 0);
    condition[0] = 72;
    condition[4] = 0x04, condition[5] = 0x03, condition[6] = 0x02, condition[7] = 0x01;
    EXPECT_EQ(starts[0].records[0], condition);
    EXPECT_EQ(record->configHandle.load(), 0);
}

TEST_F(ThermometrySubscriptionsTest, ReadAnswersWithTheNewestMeasurement) {
    ASSERT_TRUE(Start(*library, userId, 1));
    Cells cells;
    EXPECT_FALSE(ReadInto(1, cells));  // before any event: zeroes, and false
    EXPECT_EQ(cells.date, 0);
    EXPECT_EQ(cells.time, 0);
    EXPECT_EQ(cells.max, 0u);
    EXPECT_EQ(cells.min, 0u);
    EXPECT_EQ(cells.avg, 0u);

    testsupport::BlockFields fields;
    fields.time = 0x60CA91C3;  // 2024-03-05 09:07:03
    fields.calibType = 2;
    fields.max = 25.5f, fields.min = 19.25f, fields.avg = 21.0f;
    FireBlock(HandleOf(1), testsupport::MakeBlock(fields));
    EXPECT_TRUE(ReadInto(1, cells));
    EXPECT_EQ(cells.date, 20240305);
    EXPECT_EQ(cells.time, 90703);
    EXPECT_EQ(cells.max, 0x41CC0000u);
    EXPECT_EQ(static_cast<int32_t>(cells.max), 1103888384);
    EXPECT_EQ(cells.min, std::bit_cast<uint32_t>(19.25f));
    EXPECT_EQ(cells.avg, std::bit_cast<uint32_t>(21.0f));

    // After a stop the last measurement is still there.
    EXPECT_TRUE(Stop(*library, userId, 1));
    Cells after;
    EXPECT_TRUE(ReadInto(1, after));
    EXPECT_EQ(after.date, 20240305);
    EXPECT_EQ(after.max, 0x41CC0000u);
}

TEST_F(ThermometrySubscriptionsTest, NullOutputsAreSkipped) {
    ASSERT_TRUE(Start(*library, userId, 1));
    testsupport::BlockFields fields;
    fields.time = 0x60CA91C3;
    fields.avg = 30.0f;
    FireBlock(HandleOf(1), testsupport::MakeBlock(fields));
    uint32_t avg = 0;
    EXPECT_TRUE(Read(*library, userId, 1, nullptr, nullptr, nullptr, nullptr, &avg));
    EXPECT_EQ(avg, std::bit_cast<uint32_t>(30.0f));
}

TEST_F(ThermometrySubscriptionsTest, PairsNeverStartedAreLeftAlone) {
    ASSERT_TRUE(Start(*library, userId, 1));
    Cells cells;
    EXPECT_FALSE(ReadInto(2, cells));
    EXPECT_EQ(cells.date, -1);
    EXPECT_EQ(cells.max, 1u);
    EXPECT_FALSE(Stop(*library, userId + 1, 1));
    EXPECT_TRUE(CallsOf(STANDIN_OP_STOP_REMOTE_CONFIG).empty());
    EXPECT_TRUE(library->LastFailureText().empty());
}

TEST_F(ThermometrySubscriptionsTest, OfTwoRunningStartsTheNewerAnswersAndStops) {
    ASSERT_TRUE(Start(*library, userId, 1));
    ASSERT_TRUE(Start(*library, userId, 1));
    int records = 0;
    library->Subscriptions().ForEach([&](const ThermometrySubscription&) { ++records; });
    EXPECT_EQ(records, 2);
    EXPECT_EQ(HandleOf(1), 1);

    testsupport::BlockFields fields;
    fields.time = 0x60CA91C3;
    Cells cells;
    FireBlock(0, testsupport::MakeBlock(fields));  // the older subscription's event
    EXPECT_FALSE(ReadInto(1, cells));
    FireBlock(1, testsupport::MakeBlock(fields));
    EXPECT_TRUE(ReadInto(1, cells));
    EXPECT_TRUE(Stop(*library, userId, 1));
    EXPECT_TRUE(Stop(*library, userId, 1) == false);  // the same handle again: refused
    const auto stops = CallsOf(STANDIN_OP_STOP_REMOTE_CONFIG);
    ASSERT_EQ(stops.size(), 2u);
    EXPECT_EQ(stops[0].arguments[0], 1);
    EXPECT_EQ(stops[1].arguments[0], 1);
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_INVALID_HANDLE));
}

TEST_F(ThermometrySubscriptionsTest, RefusedStartKeepsItsRecordWithTheNegativeHandle) {
    StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, STANDIN_ERROR_NOT_SUPPORTED);
    EXPECT_FALSE(Start(*library, userId, 1));
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_NOT_SUPPORTED));
    EXPECT_EQ(HandleOf(1), -1);
    EXPECT_FALSE(Stop(*library, userId, 1));  // the SDK is asked about the negative handle

    ASSERT_TRUE(Start(*library, userId, 1));  // answers from now on, on the same record
    EXPECT_EQ(HandleOf(1), 0);
    int records = 0;
    library->Subscriptions().ForEach([&](const ThermometrySubscription&) { ++records; });
    EXPECT_EQ(records, 1);
    Cells cells;
    EXPECT_FALSE(ReadInto(1, cells));
    EXPECT_TRUE(Stop(*library, userId, 1));
    const auto stops = CallsOf(STANDIN_OP_STOP_REMOTE_CONFIG);
    ASSERT_EQ(stops.size(), 2u);
    EXPECT_EQ(stops[0].arguments[0], -1);
    EXPECT_EQ(stops[1].arguments[0], 0);
}

TEST_F(ThermometrySubscriptionsTest, StartAsksTheSdkEvenWhenItDidNotStart) {
    library.reset();
    StandinReset();
    StandinSetStreaming(0);
    StandinScriptResult(STANDIN_OP_INIT, 0, 3);
    library = std::make_unique<LibraryState>(sdk::importedSdk(), testsupport::TestLog());
    ASSERT_FALSE(library->SdkReady());
    EXPECT_FALSE(Start(*library, 0, 1));
    EXPECT_EQ(CallsOf(STANDIN_OP_START_REMOTE_CONFIG).size(), 1u);
    EXPECT_EQ(library->LastFailureText(), kSdkNotReadyText);
    EXPECT_NE(library->Subscriptions().Find(0, 1), nullptr);
}

TEST_F(ThermometrySubscriptionsTest, UnloadStopsEveryHandleAfterCleanup) {
    ASSERT_TRUE(Start(*library, userId, 1));
    StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, STANDIN_ERROR_NOT_SUPPORTED);
    EXPECT_FALSE(Start(*library, userId, 2));
    StandinJournalClear();
    library.reset();
    EXPECT_EQ(testsupport::JournalOperations(),
              (std::vector<int32_t>{STANDIN_OP_CLEANUP, STANDIN_OP_STOP_REMOTE_CONFIG,
                                    STANDIN_OP_STOP_REMOTE_CONFIG}));
    const auto stops = CallsOf(STANDIN_OP_STOP_REMOTE_CONFIG);
    EXPECT_EQ(stops[0].arguments[0], 0);
    EXPECT_EQ(stops[1].arguments[0], -1);
}

}  // namespace
}  // namespace orvane::thermometry
