// Read, Start and a restart (Stop then Start) against the number of records
// since load (1, 1,000 and 10,000), while an SDK thread fires data events at
// full speed into the same records, the read one included. Each call is timed
// on its own; the p50 and p99 counters are in nanoseconds and include about
// 20 ns of clock reading. The log goes to a sink that drops it, so the events
// cost their formatting and storing only and come as fast as they can.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "core/library_state.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/log_sink.hpp"
#include "thermometry/subscription_operations.hpp"

namespace {

using namespace orvane;
using namespace orvane::thermometry;
using Clock = std::chrono::steady_clock;

class DroppedLog final : public LogSink {
public:
    void Append(const char*, std::size_t) noexcept override {}
};

// An SDK that accepts every start with a new handle and every stop.
std::atomic<int32_t> nextHandle{0};
int32_t HCNETSDK_CALL Succeed() { return 1; }
int32_t HCNETSDK_CALL StartRemoteConfig(int32_t, uint32_t, void*, uint32_t, sdk::RemoteConfigCallback,
                                        void*) {
    return nextHandle++;
}
int32_t HCNETSDK_CALL StopRemoteConfig(int32_t) { return 1; }

const sdk::SdkOps& AcceptingSdk() {
    static const sdk::SdkOps ops = [] {
        sdk::SdkOps table{};
        table.init = &Succeed;
        table.cleanup = &Succeed;
        table.startRemoteConfig = &StartRemoteConfig;
        table.stopRemoteConfig = &StopRemoteConfig;
        return table;
    }();
    return ops;
}

std::vector<uint8_t> DataBlock() {
    std::vector<uint8_t> block(kUploadSize, 0x5A);
    const uint32_t time = 0x60CA91C3;
    std::memcpy(&block[8], &time, 4);
    block[45] = 2;
    return block;
}

constexpr int32_t kUser = 1;
constexpr int32_t kTargetChannel = -1;

// A library with `records` records in all (one per channel, the measured pair's
// among them) and an SDK thread firing data events round the records.
class StormedLibrary {
public:
    explicit StormedLibrary(int64_t records) : library_(AcceptingSdk(), log_) {
        Start(library_, kUser, kTargetChannel);
        for (int64_t channel = 1; channel < records; ++channel) {
            Start(library_, kUser, static_cast<int32_t>(channel));
        }
        library_.Subscriptions().ForEach(
            [this](ThermometrySubscription& record) { targets_.push_back(&record); });
        // One event each first: a record's event text is allocated at its first event.
        const auto first = DataBlock();
        for (ThermometrySubscription* record : targets_) {
            OnThermometryEvent(kEventData, const_cast<uint8_t*>(first.data()), kUploadSize, record);
        }
        storm_ = std::thread([this] {
            const auto block = DataBlock();
            for (std::size_t i = 0; !stop_.load(std::memory_order_relaxed); ++i) {
                // Every other event goes to the measured pair's record.
                ThermometrySubscription* record =
                    i % 2 == 0 ? targets_[0] : targets_[i / 2 % targets_.size()];
                OnThermometryEvent(kEventData, const_cast<uint8_t*>(block.data()), kUploadSize, record);
            }
        });
    }
    ~StormedLibrary() {
        stop_ = true;
        storm_.join();
    }
    LibraryState& Library() { return library_; }

private:
    DroppedLog log_;
    LibraryState library_;
    std::vector<ThermometrySubscription*> targets_;
    std::atomic<bool> stop_{false};
    std::thread storm_;
};

void ReportPercentiles(benchmark::State& state, std::vector<int64_t>& samples) {
    if (samples.empty()) return;
    std::sort(samples.begin(), samples.end());
    state.counters["p50_ns"] = static_cast<double>(samples[samples.size() / 2]);
    state.counters["p99_ns"] = static_cast<double>(samples[samples.size() * 99 / 100]);
}

template <class Operation>
void TimeEach(benchmark::State& state, Operation operation) {
    std::vector<int64_t> samples;
    samples.reserve(1 << 20);
    for (auto _ : state) {
        const auto begin = Clock::now();
        operation();
        const auto end = Clock::now();
        if (samples.size() < samples.capacity()) {
            samples.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(end - begin).count());
        }
    }
    ReportPercentiles(state, samples);
}

void ReadWithRecords(benchmark::State& state) {
    StormedLibrary stormed(state.range(0));
    int32_t date, time;
    uint32_t max, min, avg;
    TimeEach(state, [&] {
        benchmark::DoNotOptimize(
            Read(stormed.Library(), kUser, kTargetChannel, &date, &time, &max, &min, &avg));
    });
}
BENCHMARK(ReadWithRecords)->Arg(1)->Arg(1000)->Arg(10000)->UseRealTime();

// A start whose pair has a running subscription: a new record every time.
void StartWithRecords(benchmark::State& state) {
    StormedLibrary stormed(state.range(0));
    TimeEach(state, [&] { benchmark::DoNotOptimize(Start(stormed.Library(), kUser, kTargetChannel)); });
}
BENCHMARK(StartWithRecords)->Arg(1)->Arg(1000)->Arg(10000)->UseRealTime()->Iterations(20000);

// Resident memory of the process in bytes.
double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    double pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// Stop, then start again: the stopped record is reused, so neither the records
// nor resident memory grow with the cycles.
void RestartWithRecords(benchmark::State& state) {
    StormedLibrary stormed(state.range(0));
    // A first cycle, so that the samples' buffer and the record's text exist.
    Stop(stormed.Library(), kUser, 2);
    Start(stormed.Library(), kUser, 2);
    // Written in full before the first reading, so that filling it adds nothing.
    std::vector<int64_t> samples(1 << 20, 0);
    std::size_t taken = 0;
    const double residentBefore = ResidentBytes();
    for (auto _ : state) {
        const auto begin = Clock::now();
        Stop(stormed.Library(), kUser, 2);
        benchmark::DoNotOptimize(Start(stormed.Library(), kUser, 2));
        const auto end = Clock::now();
        if (taken < samples.size()) {
            samples[taken++] = std::chrono::duration_cast<std::chrono::nanoseconds>(end - begin).count();
        }
    }
    const double grown = ResidentBytes() - residentBefore;
    samples.resize(taken);
    ReportPercentiles(state, samples);
    int64_t records = 0;
    stormed.Library().Subscriptions().ForEach([&](const ThermometrySubscription&) { ++records; });
    state.counters["records_after"] = static_cast<double>(records);
    state.counters["bytes_per_cycle"] = grown / static_cast<double>(state.iterations());
}
BENCHMARK(RestartWithRecords)->Arg(1000)->Arg(10000)->UseRealTime();

}  // namespace
