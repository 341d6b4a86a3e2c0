// Host threads starting, reading and stopping subscriptions while SDK threads
// deliver data events into the same records: reads stay consistent, records keep
// their addresses, log lines stay whole. Bounded by counts, not by time.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "core/library_state.hpp"
#include "support/log_support.hpp"
#include "support/platform/wine_check.hpp"
#include "support/standin_fixture.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/subscription_operations.hpp"

namespace orvane::thermometry {
namespace {

using testsupport::RunningUnderWine;

constexpr int kHostThreads = 3;
constexpr int kStartsPerHostThread = 30;
constexpr int kReadsPerStart = 5;
constexpr int kSdkThreads = 3;
constexpr int kEventsPerSdkThread = 200;
constexpr int kChannels = 4;

// Every event carries a sequence number in its time and the same number in its
// three readings, so that a read can tell whether its parts belong together.
std::vector<uint8_t> EventBlock(uint32_t sequence) {
    testsupport::BlockFields fields;
    fields.calibType = 2;
    fields.time = testsupport::PackTime(2024, 1 + sequence / 86400 % 12, 1, sequence / 3600 % 24,
                                        sequence / 60 % 60, sequence % 60);
    auto block = testsupport::MakeBlock(fields);
    testsupport::PutWord(block, 180, 0x41000000u + sequence);
    testsupport::PutWord(block, 184, 0x40000000u + sequence);
    testsupport::PutWord(block, 188, 0x40800000u + sequence);
    return block;
}

bool Consistent(int32_t date, int32_t time, uint32_t max, uint32_t min, uint32_t avg) {
    if (date == 0) return time == 0 && max == 0 && min == 0 && avg == 0;
    const uint32_t sequence = static_cast<uint32_t>(time / 10000 * 3600 + time / 100 % 100 * 60 + time % 100);
    return date == 20240101 && max == 0x41000000u + sequence && min == 0x40000000u + sequence &&
           avg == 0x40800000u + sequence;
}

class ThermometryStressTest : public testsupport::StandinTest {};

TEST_F(ThermometryStressTest, ConcurrentStartsReadsStopsAndEventsStayConsistent) {
    StandinSetStreaming(0);
    testsupport::ClearLog();
    auto library = std::make_unique<LibraryState>(sdk::importedSdk(), testsupport::TestLog());
    auto login = testsupport::ExpectedLoginRecord(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT,
                                                  STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD);
    std::vector<uint8_t> deviceInfo(344);
    const int32_t userId = library->Sdk().login(login.data(), deviceInfo.data());
    ASSERT_GE(userId, 0);

    std::atomic<int32_t> startedHandles{0};
    std::atomic<int> delivered{0};
    std::atomic<int> inconsistentReads{0};
    std::mutex deliveredLock;
    std::map<int32_t, int64_t> deliveredByHandle;

    std::vector<std::thread> threads;
    for (int t = 0; t < kHostThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kStartsPerHostThread; ++i) {
                const int32_t channel = (t * kStartsPerHostThread + i) % kChannels;
                {
                    // The SDK gives a stopped subscription's handle to a later start:
                    // a new subscription counts from 0 whatever its handle got before.
                    std::lock_guard guard(deliveredLock);
                    if (Start(*library, userId, channel)) {
                        startedHandles.fetch_add(1);
                        deliveredByHandle[library->Subscriptions().Find(userId, channel)->Handle()] = 0;
                    }
                }
                for (int r = 0; r < kReadsPerStart; ++r) {
                    int32_t date = -1, time = -1;
                    uint32_t max = 0, min = 0, avg = 0;
                    const bool measured =
                        Read(*library, userId, (channel + r) % kChannels, &date, &time, &max, &min, &avg);
                    if (!measured && date == -1) continue;  // the pair has not been started yet
                    // Every event brings a whole block: a read that counts one sees its block.
                    if (!Consistent(date, time, max, min, avg) || (measured && date == 0)) {
                        inconsistentReads.fetch_add(1);
                    }
                }
                if (i % 7 == 6) Stop(*library, userId, channel);
            }
        });
    }
    for (int t = 0; t < kSdkThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEventsPerSdkThread; ++i) {
                const int32_t handles = startedHandles.load();
                if (handles == 0) {
                    std::this_thread::yield();
                    --i;
                    continue;
                }
                const auto sequence = static_cast<uint32_t>(t * kEventsPerSdkThread + i + 1);
                const auto block = EventBlock(sequence);
                const auto handle = static_cast<int32_t>(sequence % static_cast<uint32_t>(handles));
                std::lock_guard guard(deliveredLock);
                if (StandinFireEvent(handle, kEventData, block.data(), 440) == 1) {
                    delivered.fetch_add(1);
                    ++deliveredByHandle[handle];
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(inconsistentReads.load(), 0);
    EXPECT_GT(delivered.load(), 0);

    // Every record is still where the SDK was told it is, with its own pair and
    // handle, and it counts the events delivered to its current subscription.
    std::map<int64_t, int64_t> handleByAddress;
    for (const auto& call : testsupport::CallsOf(STANDIN_OP_START_REMOTE_CONFIG)) {
        handleByAddress[call.arguments[5]] = call.arguments[2];
    }
    int records = 0;
    std::set<int32_t> handles;
    int liveRecords = 0;
    library->Subscriptions().ForEach([&](const ThermometrySubscription& record) {
        ++records;
        EXPECT_EQ(handleByAddress.count(static_cast<int64_t>(reinterpret_cast<std::uintptr_t>(&record))), 1u);
        EXPECT_EQ(record.UserId(), userId);
        if (record.Live()) {
            // A running subscription counts its own events, and holds its own
            // handle (a stopped one's handle may be a later start's by now).
            ++liveRecords;
            EXPECT_EQ(record.Snapshot().eventCount, deliveredByHandle[record.Handle()]);
            handles.insert(record.Handle());
        }
        const MeasurementSnapshot s = record.Snapshot();
        EXPECT_TRUE(Consistent(s.year == 0 ? 0 : (s.year * 100 + s.month) * 100 + s.day,
                               (s.hour * 100 + s.minute) * 100 + s.second, s.maxBits, s.minBits, s.avgBits));
    });
    // Stopped records are reused by later starts of their pair.
    EXPECT_LE(records, kHostThreads * kStartsPerHostThread);
    EXPECT_EQ(handleByAddress.size(), static_cast<size_t>(records));
    EXPECT_EQ(handles.size(), static_cast<size_t>(liveRecords));

    // Four whole lines per event: the dump, the dump with the parameter line, the
    // reading line and an empty line. Wine places each append of an append-only
    // handle by looking up the end of the file first, so simultaneous appends can
    // overwrite one another there; Windows appends atomically. Under wine only
    // the records are checked.
    if (RunningUnderWine()) {
        library.reset();
        testsupport::ClearLog();
        return;
    }
    const std::string log = testsupport::ReadLog();
    std::istringstream lines(log);
    std::string line;
    int dumps = 0, described = 0, readings = 0, empty = 0, other = 0;
    while (std::getline(lines, line, '\n')) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        if (line.empty()) {
            ++empty;
        } else if (line.rfind("len=440,hex=", 0) == 0 && line.size() == 12 + 880) {
            ++dumps;
        } else if (line.rfind("len=440,hex=", 0) == 0 &&
                   line.find(testsupport::kParameterLabel) == 12 + 880 && line.back() == ']') {
            ++described;
        } else if (line.rfind(testsupport::kRegionLabel + ": (max, min, avg, diff)=(", 0) == 0 &&
                   line.back() == ')') {
            ++readings;
        } else {
            ++other;
            ADD_FAILURE() << "torn line (" << line.size() << " bytes): " << line.substr(0, 40) << " ... "
                          << line.substr(line.size() > 40 ? line.size() - 40 : 0);
            if (other > 3) break;
        }
    }
    EXPECT_EQ(other, 0);
    EXPECT_EQ(dumps, delivered.load());
    EXPECT_EQ(described, delivered.load());
    EXPECT_EQ(readings, delivered.load());
    EXPECT_EQ(empty, delivered.load());

    library.reset();
    testsupport::ClearLog();
}

}  // namespace
}  // namespace orvane::thermometry
