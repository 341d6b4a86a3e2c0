// What the subscription's status bookkeeping costs. A data event is stored with
// and without it (the arrival time from the monotonic clock and the camera
// state), beside two floors measured in the same run: one read of that clock,
// and the copy of the 440-byte block every event makes anyway. A read of the
// measurement (what Read adds to its lookup) is timed alone and while another
// thread stores events at full speed, with and without the bookkeeping, so the
// two figures show whether a read pays for it. The status query itself is timed
// the same way.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
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

void DataEventWithoutStatus(benchmark::State& state) {
    DroppedLog log;
    ThermometrySubscription record(1, 1, log);
    const ThermometryUpload block = Block();
    for (auto _ : state) record.RecordDataEventWithoutStatus(&block);
}

void DataEventWithStatus(benchmark::State& state) {
    DroppedLog log;
    ThermometrySubscription record(1, 1, log);
    const ThermometryUpload block = Block();
    for (auto _ : state) record.RecordDataEvent(&block);
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

// Times `query` on a record while, when `storm` is not 0, another thread stores
// events into it: 1 without the bookkeeping, 2 with it.
template <class Query>
void UnderStorm(benchmark::State& state, Query query) {
    DroppedLog log;
    ThermometrySubscription record(1, 1, log);
    const ThermometryUpload block = Block();
    record.RecordDataEvent(&block);
    const int64_t storm = state.range(0);
    std::atomic<bool> done{false};
    std::thread writer;
    if (storm != 0) {
        writer = std::thread([&] {
            while (!done.load(std::memory_order_relaxed)) {
                if (storm == 1) {
                    record.RecordDataEventWithoutStatus(&block);
                } else {
                    record.RecordDataEvent(&block);
                }
            }
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

}  // namespace

BENCHMARK(FloorClockRead);
BENCHMARK(FloorBlockCopy);
BENCHMARK(DataEventWithoutStatus);
BENCHMARK(DataEventWithStatus);
// Argument: 0 no writer, 1 a writer without the bookkeeping, 2 with it.
BENCHMARK(Read)->Arg(0)->Arg(1)->Arg(2)->UseRealTime();
BENCHMARK(Status)->Arg(0)->Arg(2)->UseRealTime();
