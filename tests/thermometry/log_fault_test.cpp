// Faults on the log file and odd events from the SDK. Whatever the log does
// (full, unwritable, not a file, a FIFO nobody reads, gone, renamed or
// truncated by another program), an event never waits for it, nothing
// crashes, and a read sees every new measurement, the first one even while
// its log line is still being written.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <climits>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/log_faults.hpp"
#include "support/log_support.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/log_sink.hpp"
#include "thermometry/subscription_record.hpp"

namespace orvane::thermometry {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(3);

std::vector<uint8_t> BlockWithReading(float max, uint32_t second, std::size_t size = kUploadSize) {
    testsupport::BlockFields fields;
    fields.time = testsupport::PackTime(2024, 3, 5, 9, 7, second);
    fields.calibType = 2;
    fields.max = max;
    return testsupport::MakeBlock(fields, size);
}

void Deliver(ThermometrySubscription& record, int32_t kind, const void* buffer, int32_t length) {
    OnThermometryEvent(kind, const_cast<void*>(buffer), length, &record);
}

std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

template <class Condition>
bool WaitFor(Condition condition) {
    const auto deadline = Clock::now() + kPatience;
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Two data events through a log with the fault; the description of the first
// thing that went wrong, or empty.
std::string RunScenario(const testsupport::LogFault& fault, const std::string& path) {
    FileLogSink sink(path);
    ThermometrySubscription record(1, 1, sink);
    const auto first = BlockWithReading(21.5f, 1);
    const auto second = BlockWithReading(22.5f, 2);
    std::atomic<bool> done{false};
    std::thread sdkThread([&] {
        Deliver(record, kEventData, first.data(), kUploadSize);
        if (fault.between) fault.between(path);
        Deliver(record, kEventData, second.data(), kUploadSize);
        done = true;
    });
    std::string failure;
    // The measurement is stored before its lines go to the log.
    if (!WaitFor([&] { return record.Snapshot().eventCount >= 1; }))
        failure = "the first measurement never arrived";
    if (!WaitFor([&] { return done.load(); })) {
        if (failure.empty()) failure = "an event waited for the log";
        if (fault.release) fault.release(path);
    }
    sdkThread.join();
    const MeasurementSnapshot snapshot = record.Snapshot();
    if (failure.empty() && (snapshot.eventCount != 2 || snapshot.maxBits != std::bit_cast<uint32_t>(22.5f) ||
                            snapshot.second != 2)) {
        failure = "a read did not see the newest measurement";
    }
    if (failure.empty() && fault.secondEventLogged) {
        testsupport::MemoryLogSink expected;
        ThermometrySubscription reference(1, 1, expected);
        Deliver(reference, kEventData, second.data(), kUploadSize);
        if (FileBytes(path) != expected.Text())
            failure = "the log after the fault does not hold exactly the next event";
    }
    return failure;
}

TEST(LogFaultTest, EventsNeverWaitForALogFaultAndReadsSeeEveryMeasurement) {
    int index = 0;
    for (const testsupport::LogFault& fault : testsupport::PlatformLogFaults()) {
        const std::string folder = testsupport::MakeScenarioFolder(std::to_string(index++));
        const std::string path = folder + "/~log.txt";
        std::string skipped;
        if (!fault.make(folder, path, skipped)) {
            if (skipped.empty())
                ADD_FAILURE() << fault.name << ": could not be made";
            else
                std::printf("[ SKIPPED  ] %s: %s\n", fault.name, skipped.c_str());
            testsupport::RemoveFolder(folder);
            continue;
        }
        if (fault.asOtherUser) {
            bool passed = false;
            if (testsupport::RunAsOtherUser([&] { return RunScenario(fault, path).empty(); }, skipped,
                                            passed)) {
                EXPECT_TRUE(passed) << fault.name;
            } else {
                std::printf("[ SKIPPED  ] %s: %s\n", fault.name, skipped.c_str());
            }
        } else {
            EXPECT_EQ(RunScenario(fault, path), "") << fault.name;
        }
        if (fault.restore) fault.restore();
        testsupport::RemoveFolder(folder);
    }
}

TEST(LogFaultTest, OddEventsFromTheSdkKeepTheNewestMeasurement) {
    testsupport::MemoryLogSink log;
    ThermometrySubscription record(1, 1, log);
    const auto whole = BlockWithReading(30.0f, 9);
    Deliver(record, kEventData, whole.data(), kUploadSize);
    const auto large = BlockWithReading(31.0f, 10, 4096);
    const auto shortBlock = BlockWithReading(99.0f, 11, kUploadSize - 1);
    const uint32_t status[] = {1002};
    const struct {
        const char* name;
        int32_t kind;
        const void* buffer;
        int32_t length;
        int32_t counted;  // data events add one to the count
        float newestMax;  // the reading a read sees afterwards
    } cases[] = {
        {"null data buffer", kEventData, nullptr, 440, 1, 30.0f},
        {"negative length", kEventData, whole.data(), -440, 1, 30.0f},
        {"smallest length", kEventData, whole.data(), INT_MIN, 1, 30.0f},
        {"short block", kEventData, shortBlock.data(), kUploadSize - 1, 1, 30.0f},
        {"huge length over a large buffer", kEventData, large.data(), INT_MAX, 1, 31.0f},
        {"null status buffer", kEventStatus, nullptr, 8, 0, 31.0f},
        {"failure status without its code", kEventStatus, status, 4, 0, 31.0f},
        {"negative status length", kEventStatus, status, -1, 0, 31.0f},
        {"unknown kind", 1, whole.data(), 440, 0, 31.0f},
        {"largest kind", INT_MAX, nullptr, -5, 0, 31.0f},
        {"smallest kind", INT_MIN, nullptr, 0, 0, 31.0f},
    };
    for (const auto& c : cases) {
        const int32_t before = record.Snapshot().eventCount;
        Deliver(record, c.kind, c.buffer, c.length);
        const MeasurementSnapshot snapshot = record.Snapshot();
        EXPECT_EQ(snapshot.eventCount, before + c.counted) << c.name;
        EXPECT_EQ(snapshot.maxBits, std::bit_cast<uint32_t>(c.newestMax)) << c.name;
        const std::string bytes = log.Text();
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << c.name;
    }
}

}  // namespace
}  // namespace orvane::thermometry
