// Rules kept apart while events of several rules arrive on several SDK threads
// and a host restarts the subscription: every answer is one event's values.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <thread>
#include <vector>

#include "support/log_support.hpp"
#include "thermometry/log_sink.hpp"
#include "thermometry/subscription_record.hpp"

namespace orvane::thermometry {
namespace {

class DroppedLog final : public LogSink {
public:
    void Append(const char*, std::size_t) noexcept override {}
};

constexpr uint8_t kRules[] = {0, 1, 2, 77, 255};

// Event `n` of `rule`: every field follows from the pair, so a reading made of
// two events shows.
ThermometryUpload EventOf(uint8_t rule, uint32_t n) {
    n &= 0xFFFFu;  // carried whole by the 16-bit preset
    ThermometryUpload block{};
    block.time = n & 0x3Fu;  // the second
    block.RuleID = rule;
    block.RuleCalibType = static_cast<uint8_t>(rule % 3);
    block.PresetNo = static_cast<uint16_t>(n);
    block.point = n * 7u;
    block.max = n * 7u + 1;
    block.min = n * 7u + 2;
    block.avg = n * 7u + 3;
    block.diff = n * 7u + 4;
    block.Unit = static_cast<uint8_t>(n);
    block.DataType = static_cast<uint8_t>(n >> 8);
    return block;
}

bool OneEvent(const RuleSnapshot& r, int32_t rule) {
    const auto n = static_cast<uint32_t>(r.presetNo);
    return r.ruleId == rule && r.calibrationType == rule % 3 && r.time == static_cast<int32_t>(n & 0x3Fu) &&
           r.pointBits == n * 7u && r.maxBits == n * 7u + 1 && r.minBits == n * 7u + 2 &&
           r.avgBits == n * 7u + 3 && r.diffBits == n * 7u + 4 && r.unit == static_cast<int32_t>(n & 0xFFu) &&
           r.dataType == static_cast<int32_t>((n >> 8) & 0xFFu) && r.dataEvents > 0;
}

TEST(RuleReadingsStress, EveryAnswerIsOneEventOfItsRule) {
    DroppedLog log;
    ThermometrySubscription record(1, 1, log);
    record.BeginRestart();
    record.EndRestart(true);
    constexpr int kWriters = 3, kEventsPerWriter = 200000;
    std::atomic<int> writersLeft{kWriters};
    std::atomic<int> waiting{kWriters + 2};
    // Every thread starts when all are ready, so that reads overlap the writes.
    const auto startTogether = [&] {
        waiting.fetch_sub(1);
        while (waiting.load() > 0) std::this_thread::yield();
    };
    std::atomic<int> mixed{0}, disordered{0}, answered{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            startTogether();
            for (int i = 0; i < kEventsPerWriter; ++i) {
                // Each writer walks the rules from its own place, so that every
                // rule is written by several threads.
                const uint8_t rule = kRules[static_cast<std::size_t>(i + w) % std::size(kRules)];
                const ThermometryUpload block = EventOf(rule, static_cast<uint32_t>(i * kWriters + w));
                record.RecordDataEvent(&block);
                if (w == 0 && i % 50000 == 25000) {
                    // A restart on the host's side forgets the rules meanwhile.
                    record.BeginRestart();
                    record.EndRestart(true);
                }
            }
            writersLeft.fetch_sub(1);
        });
    }
    for (int reader = 0; reader < 2; ++reader) {
        threads.emplace_back([&] {
            startTogether();
            while (writersLeft.load() > 0) {
                for (uint8_t rule : kRules) {
                    RuleSnapshot snapshot;
                    if (!record.Rules().Read(rule, snapshot)) continue;
                    answered.fetch_add(1, std::memory_order_relaxed);
                    if (!OneEvent(snapshot, rule)) mixed.fetch_add(1);
                }
                int32_t ids[8];
                const int32_t count = record.Rules().List(ids, 8);
                for (int32_t i = 1; i < count && i < 8; ++i) {
                    if (ids[i] <= ids[i - 1]) disordered.fetch_add(1);
                }
                if (count > static_cast<int32_t>(std::size(kRules))) disordered.fetch_add(1);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_EQ(disordered.load(), 0);
    EXPECT_GT(answered.load(), 0);
    int32_t ids[8];
    EXPECT_EQ(record.Rules().List(ids, 8), static_cast<int32_t>(std::size(kRules)));
}

// The record's rule bookkeeping at its edges: short events, rules outside the
// table (the first and last rule seen, so that an ID let through the bound and
// taken modulo the table would answer), memory only for rules seen.
TEST(RuleReadings, ShortEventsAndUnknownRulesAnswerNothing) {
    DroppedLog log;
    ThermometrySubscription record(1, 1, log);
    record.RecordDataEvent(nullptr);
    RuleSnapshot snapshot;
    EXPECT_FALSE(record.Rules().Read(0, snapshot));
    EXPECT_EQ(record.Rules().List(nullptr, 0), 0);
    EXPECT_EQ(record.Snapshot().eventCount, 1);
    for (uint8_t rule : {0, 9, 9, 255}) {
        const ThermometryUpload block = EventOf(rule, 5);
        record.RecordDataEvent(&block);
    }
    for (int32_t rule : {-1, 8, 10, 256, 257, -256, 1 << 30, INT32_MIN}) {
        EXPECT_FALSE(record.Rules().Read(rule, snapshot)) << rule;
    }
    ASSERT_TRUE(record.Rules().Read(9, snapshot));
    EXPECT_TRUE(OneEvent(snapshot, 9));
    EXPECT_EQ(snapshot.dataEvents, 2);
}

}  // namespace
}  // namespace orvane::thermometry
