// One thermometry data event (formatting, storing, its two log lines through the
// library's log file) against the floors of its log writes, measured in the same
// run, interleaved round by round so that a machine shared with other work slows
// all alike; the event once as the library handles it and once on a record that
// keeps no rule apart, which prices the rule bookkeeping:
//   naive:   two bare open/append/close calls, one per line;
//   minimal: one bare open, the lines written as the library writes them (one
//            write on Linux, two on Windows), one close.
// A plain program rather than a Google Benchmark, so that it runs under wine too.
//   orvane_event_log_bench [LOG_PATH [ROUNDS [EVENTS_PER_ROUND]]]
// LOG_PATH defaults to the library's fixed log path; its folder must exist (and on
// Linux be the user's own, closed to others).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "event_block.hpp"
#include "platform/bare_appends.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/log_sink.hpp"
#include "thermometry/subscription_record.hpp"

namespace {

using namespace orvane::thermometry;
using Clock = std::chrono::steady_clock;

using bench::DataBlock;

// Keeps the lines of the event it is given, so that the floors write the same bytes.
class KeptLines final : public LogSink {
public:
    void Append(const char* data, std::size_t size) noexcept override { lines.emplace_back(data, size); }
    std::vector<std::string> lines;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

template <typename Operation>
double MicrosecondsEach(int count, Operation operation) {
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) operation();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : platform::LogFilePath();
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    const int events = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2000;

    auto block = DataBlock();
    KeptLines kept;
    ThermometrySubscription probe(0, 1, kept);
    OnThermometryEvent(kEventData, block.data(), static_cast<int32_t>(block.size()), &probe);
    if (kept.lines.size() != 2) {
        std::fprintf(stderr, "a data event wrote %zu lines, not 2\n", kept.lines.size());
        return 1;
    }
    const std::string& first = kept.lines[0];
    const std::string& second = kept.lines[1];

    FileLogSink log(path);
    ThermometrySubscription record(0, 1, log);
    ThermometrySubscription withoutRules(0, 1, log, RuleKeeping::kNotKept);
    std::remove(path.c_str());
    OnThermometryEvent(kEventData, block.data(), static_cast<int32_t>(block.size()), &record);
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
    } else {
        std::fprintf(stderr, "no log written at %s: its folder must exist and be the user's own\n",
                     path.c_str());
        return 1;
    }

    const char* file = path.c_str();
    std::vector<double> event, eventWithoutRules, naive, minimal, toNaive, withoutRulesToNaive, toMinimal;
    for (int round = 0; round < rounds; ++round) {
        std::remove(file);
        double times[4] = {0, 0, 0, 0};
        // Each round starts with another of the four, so that none always runs first.
        for (int step = 0; step < 4; ++step) {
            switch ((round + step) % 4) {
                case 0:
                    times[0] = MicrosecondsEach(events, [&] {
                        OnThermometryEvent(kEventData, block.data(), static_cast<int32_t>(block.size()),
                                           &record);
                    });
                    break;
                case 3:
                    times[3] = MicrosecondsEach(events, [&] {
                        OnThermometryEvent(kEventData, block.data(), static_cast<int32_t>(block.size()),
                                           &withoutRules);
                    });
                    break;
                case 1:
                    times[1] = MicrosecondsEach(events, [&] {
                        bench::OpenAppendClose(file, first);
                        bench::OpenAppendClose(file, second);
                    });
                    break;
                default:
                    times[2] =
                        MicrosecondsEach(events, [&] { bench::OpenAppendLinesClose(file, first, second); });
                    break;
            }
        }
        event.push_back(times[0]);
        naive.push_back(times[1]);
        minimal.push_back(times[2]);
        eventWithoutRules.push_back(times[3]);
        toNaive.push_back(times[0] / times[1]);
        withoutRulesToNaive.push_back(times[3] / times[1]);
        toMinimal.push_back(times[0] / times[2]);
    }
    std::remove(file);

    std::printf("%d rounds of %d each, lines of %zu and %zu bytes, log %s\n", rounds, events, first.size(),
                second.size(), file);
    std::printf("data event                        %8.2f us (median)\n", Median(event));
    std::printf("data event, no rule bookkeeping   %8.2f us\n", Median(eventWithoutRules));
    std::printf("naive floor: 2 x open/write/close %8.2f us\n", Median(naive));
    std::printf("minimal floor: open, the lines' writes, close %5.2f us\n", Median(minimal));
    std::printf("event / naive floor   %.2f (median of the rounds' ratios)\n", Median(toNaive));
    std::printf("event without rule bookkeeping / naive floor %.2f\n", Median(withoutRulesToNaive));
    std::printf("event / minimal floor %.2f\n", Median(toMinimal));
    return 0;
}
