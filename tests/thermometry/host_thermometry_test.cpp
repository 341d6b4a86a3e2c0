#include <bit>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "support/host_library.hpp"

namespace testsupport {
namespace {

struct Reading {
    OrvaneBool result = 0xEE;
    int32_t date = -1, time = -1;
    uint32_t max = 0, min = 0, avg = 0;
};

class HostThermometryTest : public HostLibraryTest {
protected:
    void LoadAndLogIn() {
        Load();
        userId = exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                  STANDIN_CAMERA_PASSWORD, 0);
        ASSERT_GE(userId, 0);
    }
    Reading Read(int32_t channel) {
        Reading r;
        r.result = exports.CamThermometryRead(userId, channel, &r.date, &r.time, &r.max, &r.min, &r.avg, 0);
        return r;
    }
    static float Degrees(uint32_t bits) { return std::bit_cast<float>(bits); }

    int32_t userId = -1;
};

TEST_F(HostThermometryTest, StartReadStopThroughTheExports) {
    StandinSetStreaming(0);
    LoadAndLogIn();
    EXPECT_EQ(exports.CamThermometryStart(userId, 2, 0x5A5A5A5A), 1);
    Reading before = Read(2);
    EXPECT_EQ(before.result, 0);
    EXPECT_EQ(before.date, 0);
    EXPECT_EQ(before.max, 0u);

    std::vector<uint8_t> block(440, 0);
    const uint32_t time = 0x60CA91C3, max = 0x41CC0000, min = 0x41A00000, avg = 0x7FC00001;
    std::memcpy(&block[8], &time, 4);
    std::memcpy(&block[180], &max, 4);
    std::memcpy(&block[184], &min, 4);
    std::memcpy(&block[188], &avg, 4);
    ASSERT_EQ(StandinFireEvent(0, 2, block.data(), 440), 1);
    Reading after = Read(2);
    EXPECT_EQ(after.result, 1);
    EXPECT_EQ(after.date, 20240305);
    EXPECT_EQ(after.time, 90703);
    EXPECT_EQ(after.max, 0x41CC0000u);
    EXPECT_EQ(after.min, 0x41A00000u);
    EXPECT_EQ(after.avg, 0x7FC00001u);  // a NaN, bit for bit

    EXPECT_EQ(exports.CamThermometryStop(userId, 2, -1), 1);
    EXPECT_EQ(exports.CamThermometryStop(userId, 2, 0), 1);  // stopped already: the SDK is not asked
    EXPECT_EQ(Read(2).result, 1);
    EXPECT_EQ(Read(2).max, 0x41CC0000u);
}

// The status through the real exports: running, a camera-side failure, data
// again, stopped, restarted; nothing for an unknown pair.
TEST_F(HostThermometryTest, StatusThroughASubscriptionsLife) {
    StandinSetStreaming(0);
    LoadAndLogIn();
    int32_t state = -9, events = -9, ms = -9, code = -9;
    const auto status = [&] {
        return exports.CamThermometryStatus(userId, 4, &state, &events, &ms, &code, 0);
    };
    EXPECT_EQ(status(), 0);
    EXPECT_EQ(state, -9);
    ASSERT_EQ(exports.CamThermometryStart(userId, 4, 0), 1);
    EXPECT_EQ(status(), 1);
    EXPECT_EQ(std::vector<int32_t>({state, events, ms, code}), std::vector<int32_t>({1, 0, -1, 0}));
    std::vector<uint8_t> block(440, 0);
    ASSERT_EQ(StandinFireChannelEvent(userId, 4, 2, block.data(), 440), 1);
    const uint32_t failure[2] = {1002, 10};
    ASSERT_EQ(StandinFireChannelEvent(userId, 4, 0, failure, 8), 1);
    EXPECT_EQ(status(), 1);
    EXPECT_EQ(std::vector<int32_t>({state, events, code}), std::vector<int32_t>({4, 1, 10}));
    EXPECT_GE(ms, 0);
    ASSERT_EQ(StandinFireChannelEvent(userId, 4, 2, block.data(), 440), 1);
    EXPECT_EQ(status(), 1);
    EXPECT_EQ(std::vector<int32_t>({state, events, code}), std::vector<int32_t>({1, 2, 10}));
    ASSERT_EQ(exports.CamThermometryStop(userId, 4, 0), 1);
    EXPECT_EQ(status(), 1);
    EXPECT_EQ(state, 2);
    ASSERT_EQ(exports.CamThermometryStart(userId, 4, 0), 1);
    EXPECT_EQ(status(), 1);
    EXPECT_EQ(std::vector<int32_t>({state, events, ms, code}), std::vector<int32_t>({1, 0, -1, 0}));
    EXPECT_EQ(exports.CamThermometryStatus(userId, 4, nullptr, nullptr, nullptr, nullptr, -1), 1);
    StandinScriptResult(STANDIN_OP_START_REMOTE_CONFIG, -1, 23);
    ASSERT_EQ(exports.CamThermometryStart(userId, 5, 0), 0);
    EXPECT_EQ(exports.CamThermometryStatus(userId, 5, &state, nullptr, nullptr, nullptr, 0), 1);
    EXPECT_EQ(state, 3);
    EXPECT_EQ(exports.CamLastFailureCode(0), 23);
}

TEST_F(HostThermometryTest, UnknownPairsAndNullOutputsAreHarmless) {
    StandinSetStreaming(0);
    LoadAndLogIn();
    Reading never = Read(9);
    EXPECT_EQ(never.result, 0);
    EXPECT_EQ(never.date, -1);
    EXPECT_EQ(exports.CamThermometryStop(userId, 9, 0), 0);
    EXPECT_EQ(exports.CamThermometryRead(userId, 9, nullptr, nullptr, nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(exports.CamThermometryStart(userId, 9, 0), 1);
    EXPECT_EQ(exports.CamThermometryRead(userId, 9, nullptr, nullptr, nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(exports.CamThermometryStart(-5, 9, 0), 0);  // not logged in: refused by the SDK
}

TEST_F(HostThermometryTest, StreamedReadingsArriveAndStopEndsThem) {
    LoadAndLogIn();
    ASSERT_EQ(exports.CamThermometryStart(userId, 1, 0), 1);
    Reading reading;
    for (int attempt = 0; attempt < 200 && reading.result != 1; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        reading = Read(1);
    }
    ASSERT_EQ(reading.result, 1);
    EXPECT_GE(reading.date, 20240101);
    EXPECT_GE(Degrees(reading.max), Degrees(reading.avg));
    EXPECT_GE(Degrees(reading.avg), Degrees(reading.min));
    EXPECT_GT(Degrees(reading.min), 15.0f);
    EXPECT_LT(Degrees(reading.max), 45.0f);

    ASSERT_EQ(exports.CamThermometryStop(userId, 1, 0), 1);
    // Stop returns only once no event can arrive any more: the newest reading stays.
    const Reading stopped = Read(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * STANDIN_STREAM_INTERVAL_MS));
    const Reading later = Read(1);
    EXPECT_EQ(later.time, stopped.time);
    EXPECT_EQ(later.max, stopped.max);
    EXPECT_EQ(later.avg, stopped.avg);
}

TEST_F(HostThermometryTest, UnloadEndsRunningStreamsBeforeStoppingEachHandle) {
    LoadAndLogIn();
    ASSERT_EQ(exports.CamThermometryStart(userId, 1, 0), 1);
    ASSERT_EQ(exports.CamThermometryStart(userId, 2, 0), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * STANDIN_STREAM_INTERVAL_MS));
    StandinJournalClear();
    Unload();  // with events still arriving; must neither hang nor call into the unloaded library
    EXPECT_EQ(JournalOperations(), (std::vector<int32_t>{STANDIN_OP_CLEANUP, STANDIN_OP_STOP_REMOTE_CONFIG,
                                                         STANDIN_OP_STOP_REMOTE_CONFIG}));
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * STANDIN_STREAM_INTERVAL_MS));
}

}  // namespace
}  // namespace testsupport
