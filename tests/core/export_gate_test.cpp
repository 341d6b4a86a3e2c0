// The export gate: what the library's end relies on when host threads are still
// calling exports as it ends.
#include "core/export_gate.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using orvane::ExportGate;

TEST(ExportGateTest, RefusedEntriesLeaveNoCallCounted) {
    ExportGate gate;
    gate.Close();
    for (int i = 0; i < 1000; ++i) EXPECT_FALSE(gate.Enter());
    EXPECT_TRUE(gate.CloseAndDrain(0ms));
}

TEST(ExportGateTest, DrainReportsACallStillInsideAtItsLimit) {
    ExportGate gate;
    ASSERT_TRUE(gate.Enter());
    EXPECT_FALSE(gate.CloseAndDrain(20ms));
    EXPECT_FALSE(gate.CloseAndDrain(0ms));
    gate.Leave();
    EXPECT_TRUE(gate.CloseAndDrain(0ms));
}

// The drain returns once the call has left, long before a limit of an hour;
// a drain that waited out its limit would never let this test finish.
TEST(ExportGateTest, DrainWaitsForTheCallInsideAndNoLonger) {
    ExportGate gate;
    std::atomic<bool> entered{false}, done{false};
    std::thread call([&] {
        entered = gate.Enter();
        std::this_thread::sleep_for(50ms);
        done = true;
        if (entered) gate.Leave();
    });
    while (!entered) std::this_thread::yield();
    EXPECT_TRUE(gate.CloseAndDrain(std::chrono::hours(1)));
    EXPECT_TRUE(done);
    call.join();
}

TEST(ExportGateTest, DrainWithNoCallInsideDoesNotWaitOutItsLimit) {
    // Owned jointly, so that a drain that never returns cannot outlive its gate.
    struct Shared {
        ExportGate gate;
        std::atomic<bool> returned{false};
    };
    const auto shared = std::make_shared<Shared>();
    std::thread([shared] {
        shared->gate.CloseAndDrain(std::chrono::hours(1));
        shared->returned = true;
    }).detach();
    for (int i = 0; i < 6000 && !shared->returned; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(shared->returned) << "the drain waited with no call inside";
}

// A call held after the gate's first look and before its count while the gate
// closes and drains: the drain finds nothing inside, so the call must then see
// the gate closed and stay out.
TEST(ExportGateTest, ACallHeldBeforeItsCountStaysOutOfADrainedGate) {
    struct Hold {
        std::atomic<bool> reached{false}, released{false};
    } hold;
    struct HeldEntry {
        Hold* hold;
        void BeforeCount() const noexcept {
            hold->reached = true;
            while (!hold->released) std::this_thread::yield();
        }
    };
    orvane::BasicExportGate<HeldEntry> gate(HeldEntry{&hold});
    std::atomic<int> entered{-1};
    std::thread call([&] {
        entered = gate.Enter() ? 1 : 0;
        if (entered == 1) gate.Leave();
    });
    while (!hold.reached) std::this_thread::yield();
    EXPECT_TRUE(gate.CloseAndDrain(0ms));
    hold.released = true;
    call.join();
    EXPECT_EQ(entered.load(), 0) << "the call entered after the drain reported none inside";
}

// Threads entering while the gate closes: once the drain reported them all
// gone, no call may be inside (the library's state is destroyed then), and a
// call that starts after the close has returned fails at once.
TEST(ExportGateTest, CallsRacingTheCloseFailOrAreWaitedFor) {
    constexpr int kRounds = 30;
    int lateEntries = 0, entriesAfterClose = 0;
    for (int round = 0; round < kRounds && lateEntries + entriesAfterClose == 0; ++round) {
        ExportGate gate;
        std::atomic<bool> drained{false}, closed{false}, stop{false};
        std::atomic<int> late{0}, afterClose{0};
        std::vector<std::thread> callers;
        for (int t = 0; t < 4; ++t) {
            callers.emplace_back([&] {
                while (!stop.load()) {
                    const bool closedBefore = closed.load();
                    if (!gate.Enter()) continue;
                    if (drained.load()) ++late;
                    if (closedBefore) ++afterClose;
                    gate.Leave();
                }
            });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + round % 3));
        EXPECT_TRUE(gate.CloseAndDrain(10s));
        closed = true;
        drained = true;
        std::this_thread::sleep_for(2ms);
        stop = true;
        for (std::thread& caller : callers) caller.join();
        EXPECT_TRUE(gate.CloseAndDrain(0ms)) << "a refused call is still counted";
        lateEntries += late.load();
        entriesAfterClose += afterClose.load();
    }
    EXPECT_EQ(lateEntries, 0) << "calls were inside after the drain reported none";
    EXPECT_EQ(entriesAfterClose, 0) << "calls entered after the close";
}

}  // namespace
