// What the subscription's status bookkeeping costs. A data event stored by the
// record (with the arrival time from the monotonic clock and the camera state)
// is timed beside three floors measured in the same run: one read of that
// clock, the copy of the 440-byte block every event makes anyway, and a plain
// record made here that keeps the newest block under a lock without any status
// (the lock, the copy, the time decoding and the count). A read of the
// measurement (what Read adds to its lookup) and the status query are timed
// alone and while another thread stores events at full speed, on a record that
// keeps each rule's newest event apart and on one that does not (the rule
// bookkeeping's price); and a rule's reading and the rule list.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "thermometry/log_sink.hpp"
#include "thermometry/subscription_record.hpp"

namespace {

using namespace orvane::thermometry;

class DroppedLog final : public LogSink {
public:
    void Append(const char*, std::size_t) noexcept override {}
};

ThermometryUpload Block() {
    std::vector<uint8_t> bytes(kUploadSize, 0x5A);
    const uint32_t time = 0x60CA91C3;
    std::memcpy(&bytes[8], &time, 4);
    return ReadUpload(bytes.data());
}

// The least a record keeping the newest block does per data event.
class PlainRecord {
public:
    void Store(const ThermometryUpload& block) noexcept {
        const DecodedTime time = DecodePackedTime(block.time);
        std::lock_guard guard(lock_);
        std::memcpy(copy_, &block, kUploadSize);
        time_ = time;
        ++count_;
        benchmark::DoNotOptimize(copy_);
        benchmark::DoNotOptimize(time_);
    }

private:
    std::mutex lock_;
    uint8_t copy_[kUploadSize] = {};
    DecodedTime time_{};
    int32_t count_ = 0;
};

void FloorPlainRecord(benchmark::State& state) {
    PlainRecord record;
    const ThermometryUpload block = Block();
    for (auto _ : state) record.Store(block);
}

// Argument: 1 the record keeps rules apart, as the library's do; 0 it does not.
RuleKeeping Keeping(const benchmark::State& state) {
    return state.range(0) != 0 ? RuleKeeping::kKept : RuleKeeping::kNotKept;
}

void DataEventWithStatus(benchmark::State& state) {
    DroppedLog log;
    ThermometrySubscription record(1, 1, log, Keeping(state));
    const ThermometryUpload block = Block();
    for (auto _ : state) record.RecordDataEvent(&block);
}

// Three rules taking turns, as a camera measuring three things sends them.
void DataEventsOfThreeRules(benchmark::State& state) {
    DroppedLog log;
    ThermometrySubscription record(1, 1, log, Keeping(state));
    ThermometryUpload blocks[3] = {Block(), Block(), Block()};
    for (uint8_t i = 0; i < 3; ++i) blocks[i].RuleID = static_cast<uint8_t>(i + 1);
    std::size_t next = 0;
    for (auto _ : state) {
        record.RecordDataEvent(&blocks[next]);
        next = next == 2 ? 0 : next + 1;
    }
}

void FloorClockRead(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(std::chrono::steady_clock::now());
}

void FloorBlockCopy(benchmark::State& state) {
    const ThermometryUpload block = Block();
    uint8_t copy[kUploadSize];
    for (auto _ : state) {
        std::memcpy(copy, &block, kUploadSize);
        benchmark::DoNotOptimize(copy);
        benchmark::ClobberMemory();
    }
}

// Times `query` on a record while, when `storm` is 1, another thread stores
// events into it.
template <class Query>
void UnderStorm(benchmark::State& state, Query query) {
    DroppedLog log;
    ThermometrySubscription record(1, 1, log,
                                   state.range(1) != 0 ? RuleKeeping::kKept : RuleKeeping::kNotKept);
    const ThermometryUpload block = Block();
    record.RecordDataEvent(&block);
    const int64_t storm = state.range(0);
    std::atomic<bool> done{false};
    std::thread writer;
    if (storm != 0) {
        writer = std::thread([&] {
            while (!done.load(std::memory_order_relaxed)) record.RecordDataEvent(&block);
        });
    }
    for (auto _ : state) benchmark::DoNotOptimize(query(record));
    done = true;
    if (writer.joinable()) writer.join();
}

void Read(benchmark::State& state) {
    UnderStorm(state, [](const ThermometrySubscription& record) { return record.Snapshot(); });
}

void Status(benchmark::State& state) {
    UnderStorm(state, [](const ThermometrySubscription& record) { return record.Status(); });
}

void ReadRule(benchmark::State& state) {
    UnderStorm(state, [](const ThermometrySubscription& record) {
        RuleSnapshot snapshot;
        return record.Rules().Read(0x5A, snapshot) ? snapshot.dataEvents : -1;
    });
}

void RuleList(benchmark::State& state) {
    UnderStorm(state, [](const ThermometrySubscription& record) {
        int32_t ids[4];
        return record.Rules().List(ids, 4);
    });
}

}  // namespace

BENCHMARK(FloorClockRead);
BENCHMARK(FloorBlockCopy);
BENCHMARK(FloorPlainRecord);
BENCHMARK(DataEventWithStatus)->Arg(0)->Arg(1);
BENCHMARK(DataEventsOfThreeRules)->Arg(0)->Arg(1);
// Arguments: 0 no writer, 1 a writer storing events; 0 no rule bookkeeping, 1
// rules kept apart.
BENCHMARK(Read)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})->UseRealTime();
BENCHMARK(Status)->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})->UseRealTime();
BENCHMARK(ReadRule)->Args({0, 1})->Args({1, 1})->UseRealTime();
BENCHMARK(RuleList)->Args({0, 1})->Args({1, 1})->UseRealTime();
