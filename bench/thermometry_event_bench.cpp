// Handling one 440-byte thermometry data event (count, hex dump, formatting, two
// log lines, storing the block) against the floors that writing its log lines
// imposes: two bare open/append-write/close of exactly the same bytes (naive), and
// one bare open, the lines' writes and one close (the least an event must do). All write
// the real log file (the folder standing for drive D is created if missing). Then
// the same event with nothing logged, and with the log file faulty in the ways an
// operator's machine can make it. event_log_bench.cpp compares the first three on
// every platform, wine included.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "event_block.hpp"
#include "platform/bare_appends.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/log_sink.hpp"
#include "thermometry/subscription_record.hpp"

namespace {

using namespace orvane::thermometry;

// The log would grow by about 2 KB per event; it is emptied this often.
constexpr int64_t kIterationsPerTruncate = 8192;

using bench::DataBlock;

void PrepareLog() {
    std::filesystem::create_directories(std::filesystem::path(platform::LogFilePath()).parent_path());
    std::remove(platform::LogFilePath());
}

std::string ReadLog() {
    std::ifstream file(platform::LogFilePath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void TruncateNow(benchmark::State& state, int64_t& sinceTruncate) {
    if (++sinceTruncate < kIterationsPerTruncate) return;
    state.PauseTiming();
    std::remove(platform::LogFilePath());
    sinceTruncate = 0;
    state.ResumeTiming();
}

void OnThermometryEventPerDataEvent(benchmark::State& state) {
    PrepareLog();
    auto block = DataBlock();
    ThermometrySubscription record(0, 1, SystemLogSink());
    int64_t sinceTruncate = 0;
    for (auto _ : state) {
        OnThermometryEvent(kEventData, block.data(), static_cast<int32_t>(block.size()), &record);
        TruncateNow(state, sinceTruncate);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(OnThermometryEventPerDataEvent);

// The exact bytes one data event writes, as its two lines; false (and the
// benchmark skipped) when the log folder takes no lines.
bool EventLines(benchmark::State& state, std::string& first, std::string& second) {
    PrepareLog();
    auto block = DataBlock();
    ThermometrySubscription record(0, 1, SystemLogSink());
    OnThermometryEvent(kEventData, block.data(), static_cast<int32_t>(block.size()), &record);
    const std::string written = ReadLog();
    const size_t firstLineEnd = written.find("\r\n") + 2;
    first = written.substr(0, firstLineEnd);
    second = written.substr(firstLineEnd);
    std::remove(platform::LogFilePath());
    if (first.size() < 100 || second.size() < 100) {
        state.SkipWithError("the log folder is not writable");
        return false;
    }
    return true;
}

void TwoBareAppendsOfTheSameBytes(benchmark::State& state) {
    std::string first, second;
    if (!EventLines(state, first, second)) return;

    int64_t sinceTruncate = 0;
    for (auto _ : state) {
        bench::OpenAppendClose(platform::LogFilePath(), first);
        bench::OpenAppendClose(platform::LogFilePath(), second);
        TruncateNow(state, sinceTruncate);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(TwoBareAppendsOfTheSameBytes);

void OneOpenTheLinesOneClose(benchmark::State& state) {
    std::string first, second;
    if (!EventLines(state, first, second)) return;
    int64_t sinceTruncate = 0;
    for (auto _ : state) {
        bench::OpenAppendLinesClose(platform::LogFilePath(), first, second);
        TruncateNow(state, sinceTruncate);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(OneOpenTheLinesOneClose);

class DroppedLog final : public LogSink {
public:
    void Append(const char*, std::size_t) noexcept override {}
};

// Formatting and storing alone: the log drops every line.
void OnThermometryEventWithoutLog(benchmark::State& state) {
    DroppedLog log;
    auto block = DataBlock();
    ThermometrySubscription record(0, 1, log);
    for (auto _ : state) {
        OnThermometryEvent(kEventData, block.data(), static_cast<int32_t>(block.size()), &record);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(OnThermometryEventWithoutLog);

// Faults on the log, each in a folder of its own; the event must cost no more
// than a normal one (nothing waits, nothing retries).
struct LogFaultCase {
    const char* name;
    // Makes the fault on `path` in the empty folder `folder`.
    bool (*make)(const std::string& folder, const std::string& path);
};

const LogFaultCase kLogFaults[] = {
    {"drive absent",
     [](const std::string& folder, const std::string&) { return ::rmdir(folder.c_str()) == 0; }},
    {"log path a folder",
     [](const std::string&, const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }},
    {"log path a FIFO nobody reads",
     [](const std::string&, const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; }},
    {"log a link to /dev/full",
     [](const std::string&, const std::string& path) { return ::symlink("/dev/full", path.c_str()) == 0; }},
    {"folder writable by others",
     [](const std::string& folder, const std::string&) { return ::chmod(folder.c_str(), 0777) == 0; }},
};

void OnThermometryEventWithLogFault(benchmark::State& state) {
    const LogFaultCase& fault = kLogFaults[state.range(0)];
    state.SetLabel(fault.name);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("orvane-bench-fault-" + std::to_string(state.range(0)));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    ::chmod(folder.c_str(), 0755);
    const std::string path = (folder / "~log.txt").string();
    if (!fault.make(folder.string(), path)) {
        state.SkipWithError("the fault could not be made here");
        return;
    }
    FileLogSink log(path);
    auto block = DataBlock();
    ThermometrySubscription record(0, 1, log);
    for (auto _ : state) {
        OnThermometryEvent(kEventData, block.data(), static_cast<int32_t>(block.size()), &record);
    }
    state.SetItemsProcessed(state.iterations());
    std::filesystem::remove_all(folder);
}
BENCHMARK(OnThermometryEventWithLogFault)->DenseRange(0, std::size(kLogFaults) - 1);

}  // namespace
