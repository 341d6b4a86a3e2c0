// Which subscription of a (user ID, channel) pair answers reads and stops: the
// newest whose start succeeded, or the newest of all while none succeeded. Each
// scenario is a script of starts, stops, events and reads against the stand-in.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/library_state.hpp"
#include "support/log_support.hpp"
#include "support/standin_fixture.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/logged_in_library_fixture.hpp"
#include "thermometry/subscription_operations.hpp"

namespace orvane::thermometry {
namespace {

constexpr int32_t kChannel = 3;

enum class Op {
    kStart,          // a start the SDK accepts; it gets the next handle
    kFailedStart,    // a start the SDK refuses
    kStop,           // expects `result`, and that the SDK was asked about `handle`
    kFire,           // an event with reading `value` for the subscription of `handle`
    kRead,           // expects `result` and, when it is true, the reading `value`
    kRepeatRestart,  // `handle` rounds of stop and start (each stop of the previous start)
    kRecordsAtMost,  // the list holds at most `handle` records
};

struct Step {
    Op op;
    int32_t handle = 0;
    bool result = true;
    float value = 0;
};

Step Start() { return {Op::kStart}; }
Step FailedStart() { return {Op::kFailedStart}; }
Step Stop(int32_t handle, bool result) { return {Op::kStop, handle, result}; }
Step Fire(int32_t handle, float value) { return {Op::kFire, handle, true, value}; }
Step Reads(float value) { return {Op::kRead, 0, true, value}; }
Step ReadsNothing() { return {Op::kRead, 0, false}; }

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

const Scenario kScenarios[] = {
    {"start, stop, start: the new subscription answers and stops",
     {Start(), Fire(0, 10), Reads(10), Stop(0, true), Reads(10), Start(), ReadsNothing(), Fire(1, 20),
      Reads(20), Stop(1, true), Reads(20)}},
    {"a failed start, then a successful one: the successful one answers",
     {FailedStart(), ReadsNothing(), Start(), Fire(0, 5), Reads(5), Stop(0, true)}},
    {"a running subscription, then a failed start: the running one answers",
     {Start(), Fire(0, 7), FailedStart(), Reads(7), Stop(0, true)}},
    {"two successful starts: the newer answers and stops, the older runs on",
     {Start(), Start(), Fire(0, 1), Fire(1, 2), Reads(2), Stop(1, true), Fire(0, 3), Reads(2),
      Stop(1, false)}},
    {"only failed starts: a stop asks about the newest one's handle",
     {FailedStart(), FailedStart(), ReadsNothing(), Stop(-1, false)}},
    {"a stopped subscription answers until a newer start succeeds",
     {Start(), Fire(0, 4), Stop(0, true), FailedStart(), Reads(4), Stop(0, false), Start(), ReadsNothing(),
      Fire(1, 6), Reads(6), Stop(1, true)}},
    {"restarts and retries reuse records",
     {Start(),
      {Op::kRepeatRestart, 200},
      {Op::kRecordsAtMost, 1},
      FailedStart(),
      FailedStart(),
      {Op::kRecordsAtMost, 2},
      Fire(200, 8),
      Reads(8),
      Stop(200, true)}},
    {"failed retries while nothing runs reuse one record",
     {FailedStart(), FailedStart(), FailedStart(), {Op::kRecordsAtMost, 1}, Start(), Fire(0, 9), Reads(9)}},
};

class SubscriptionRulesTest : public testsupport::LoggedInLibraryTest {
protected:
    void Run(const Step& step, int32_t& nextHandle) {
        switch (step.op) {
            case Op::kStart:
                EXPECT_TRUE(thermometry::Start(*library, userId, kChannel));
                ++nextHandle;
                break;
            case Op::kFailedStart:
                StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, STANDIN_ERROR_NOT_SUPPORTED);
                EXPECT_FALSE(thermometry::Start(*library, userId, kChannel));
                break;
            case Op::kStop: {
                StandinJournalClear();
                EXPECT_EQ(thermometry::Stop(*library, userId, kChannel), step.result);
                const auto stops = testsupport::CallsOf(STANDIN_OP_STOP_REMOTE_CONFIG);
                ASSERT_EQ(stops.size(), 1u);
                EXPECT_EQ(stops[0].arguments[0], step.handle);
                break;
            }
            case Op::kFire: {
                testsupport::BlockFields fields;
                fields.time = testsupport::PackTime(2024, 3, 5, 9, 7, 1);
                fields.calibType = 2;
                fields.max = step.value;
                const auto block = testsupport::MakeBlock(fields);
                EXPECT_EQ(StandinFireEvent(step.handle, kEventData, block.data(),
                                           static_cast<int32_t>(block.size())),
                          1);
                break;
            }
            case Op::kRead: {
                int32_t date = -1, time = -1;
                uint32_t max = 1, min = 1, avg = 1;
                EXPECT_EQ(Read(*library, userId, kChannel, &date, &time, &max, &min, &avg), step.result);
                // A matching record always writes the cells: zeroes before its first data event.
                EXPECT_EQ(max, step.result ? std::bit_cast<uint32_t>(step.value) : 0u);
                EXPECT_EQ(date, step.result ? 20240305 : 0);
                break;
            }
            case Op::kRepeatRestart:
                for (int32_t round = 0; round < step.handle; ++round) {
                    ASSERT_TRUE(thermometry::Stop(*library, userId, kChannel));
                    ASSERT_TRUE(thermometry::Start(*library, userId, kChannel));
                    ++nextHandle;
                }
                break;
            case Op::kRecordsAtMost: {
                int32_t records = 0;
                library->Subscriptions().ForEach([&](const ThermometrySubscription&) { ++records; });
                EXPECT_LE(records, step.handle);
                break;
            }
        }
    }
};

TEST_F(SubscriptionRulesTest, TheNewestStartedSubscriptionAnswers) {
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        TearDown();
        SetUp();
        int32_t nextHandle = 0;
        for (std::size_t i = 0; i < scenario.steps.size(); ++i) {
            SCOPED_TRACE("step " + std::to_string(i));
            Run(scenario.steps[i], nextHandle);
        }
    }
}

TEST_F(SubscriptionRulesTest, EventsAfterAStopStillReachTheRecord) {
    ASSERT_TRUE(thermometry::Start(*library, userId, kChannel));
    int32_t nextHandle = 1;
    Run(Fire(0, 11), nextHandle);
    ASSERT_TRUE(thermometry::Stop(*library, userId, kChannel));
    // The SDK delivers no more for a stopped handle; one that still did would
    // find the record in place, and its measurement would be the newest.
    testsupport::BlockFields fields;
    fields.time = testsupport::PackTime(2024, 3, 5, 9, 7, 1);
    fields.calibType = 2;
    fields.max = 12;
    auto block = testsupport::MakeBlock(fields);
    EXPECT_EQ(StandinFireEvent(0, kEventData, block.data(), 440), 0);
    Run(Reads(11), nextHandle);
    OnThermometryEvent(kEventData, block.data(), 440, library->Subscriptions().Find(userId, kChannel));
    Run(Reads(12), nextHandle);
}

TEST_F(SubscriptionRulesTest, UnloadWhileEventsArriveStopsEveryRecordSafely) {
    constexpr int32_t kSubscriptions = 4;
    for (int32_t channel = 0; channel < kSubscriptions; ++channel) {
        ASSERT_TRUE(thermometry::Start(*library, userId, channel));
    }
    std::atomic<bool> unloaded{false};
    std::atomic<int> delivered{0};
    std::vector<std::thread> sdkThreads;
    for (int t = 0; t < 2; ++t) {
        sdkThreads.emplace_back([&, t] {
            testsupport::BlockFields fields;
            fields.calibType = 2;
            const auto block = testsupport::MakeBlock(fields);
            for (int i = 0; !unloaded.load(); ++i) {
                if (StandinFireEvent((i + t) % kSubscriptions, kEventData, block.data(), 440) == 1)
                    ++delivered;
            }
        });
    }
    while (delivered.load() < 100) std::this_thread::yield();
    library.reset();  // stops each subscription while events keep coming
    // Nothing reaches a destroyed record (the sanitizer builds would see it touched).
    testsupport::BlockFields fields;
    const auto block = testsupport::MakeBlock(fields);
    for (int32_t handle = 0; handle < kSubscriptions; ++handle) {
        EXPECT_EQ(StandinFireEvent(handle, kEventData, block.data(), 440), 0);
    }
    unloaded = true;
    for (auto& thread : sdkThreads) thread.join();
}

}  // namespace
}  // namespace orvane::thermometry
