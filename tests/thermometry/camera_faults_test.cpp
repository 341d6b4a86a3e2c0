// The stand-in's camera as rough as a real one: handles reused as table
// indexes, sessions ended from the camera's side, reboots, slow calls.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "core/platform/last_error.hpp"
#include "hcnetsdk.h"
#include "support/standin_fixture.hpp"

namespace testsupport {
namespace {

constexpr uint32_t kThermometryCommand = 3629;

// What the camera delivered to one session: kinds and the status words.
struct Delivered {
    std::mutex lock;
    std::vector<std::vector<uint32_t>> statuses;
    int data = 0;
};

void HCNETSDK_CALL Record(int32_t kind, void* buffer, int32_t length, void* context) {
    auto& delivered = *static_cast<Delivered*>(context);
    std::lock_guard guard(delivered.lock);
    if (kind != 0) {
        ++delivered.data;
        return;
    }
    std::vector<uint32_t> words(static_cast<std::size_t>(length) / 4);
    if (!words.empty()) std::memcpy(words.data(), buffer, words.size() * 4);
    delivered.statuses.push_back(words);
}

class CameraFaultsTest : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        StandinSetStreaming(0);
        ASSERT_NE(NET_DVR_Init(), 0);
        userId = LogIn();
        ASSERT_GE(userId, 0);
    }
    void TearDown() override {
        NET_DVR_Cleanup();
        StandinTest::TearDown();
    }
    static int32_t LogIn() {
        auto record = ExpectedLoginRecord(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                          STANDIN_CAMERA_PASSWORD);
        std::vector<uint8_t> device(344);
        return NET_DVR_Login_V40(record.data(), device.data());
    }
    int32_t StartSession(int32_t user, int32_t channel, Delivered& delivered) {
        std::vector<uint8_t> condition(72, 0);
        condition[0] = 72;
        std::memcpy(&condition[4], &channel, 4);
        return NET_DVR_StartRemoteConfig(user, kThermometryCommand, condition.data(), 72, &Record,
                                         &delivered);
    }
    static bool Fire(int32_t handle) {
        std::vector<uint8_t> block(440, 0);
        return StandinFireEvent(handle, 2, block.data(), 440) == 1;
    }

    int32_t userId = -1;
};

TEST_F(CameraFaultsTest, HandlesAreTheLowestFreeAndEachStopNamesThePairItEnded) {
    Delivered delivered[4];
    EXPECT_EQ(StartSession(userId, 1, delivered[0]), 0);
    EXPECT_EQ(StartSession(userId, 2, delivered[1]), 1);
    EXPECT_EQ(StartSession(userId, 3, delivered[2]), 2);
    const struct {
        int32_t stopHandle;
        int32_t result;
        int32_t endedChannel;  // -1: none
    } stops[] = {{1, 1, 2}, {1, 0, -1}, {-1, 0, -1}, {0, 1, 1}};
    for (const auto& stop : stops) {
        StandinJournalClear();
        EXPECT_EQ(NET_DVR_StopRemoteConfig(stop.stopHandle), stop.result) << stop.stopHandle;
        const auto calls = CallsOf(STANDIN_OP_STOP_REMOTE_CONFIG);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].arguments[1], stop.endedChannel < 0 ? -1 : userId);
        EXPECT_EQ(calls[0].arguments[2], stop.endedChannel);
    }
    // 0 and 1 are free again: the lowest first.
    EXPECT_EQ(StartSession(userId, 4, delivered[3]), 0);
    EXPECT_EQ(StartSession(userId, 4, delivered[3]), 1);
    EXPECT_EQ(StandinChannelSession(userId, 4), 1);  // the newest of the pair
    EXPECT_EQ(StandinStopsOfPair(userId, 2), 1u);
    EXPECT_EQ(StandinStopsOfPair(userId, 4), 0u);
}

TEST_F(CameraFaultsTest, TheCameraEndsSessionsWithAStatus) {
    const struct {
        const char* name;
        uint32_t status, code;
        int32_t continuing;
        std::vector<uint32_t> words;
        bool runsOn;
    } cases[] = {
        {"a transient failure", STANDIN_STATUS_FAILED, 23, 1, {1002, 23}, true},
        {"a failure", STANDIN_STATUS_FAILED, 7, 0, {1002, 7}, false},
        {"the end", STANDIN_STATUS_FINISHED, 0, 0, {1001}, false},
    };
    for (const auto& c : cases) {
        Delivered delivered;
        const int32_t handle = StartSession(userId, 1, delivered);
        ASSERT_EQ(handle, 0) << c.name;
        EXPECT_EQ(StandinEndSession(handle, c.status, c.code, c.continuing), 1) << c.name;
        EXPECT_EQ(delivered.statuses, std::vector<std::vector<uint32_t>>{c.words}) << c.name;
        EXPECT_EQ(Fire(handle), c.runsOn) << c.name;
        EXPECT_EQ(StandinEndSession(handle, c.status, c.code, 0), c.runsOn ? 1 : 0) << c.name;
        // The handle stays held until the host stops it; the stop succeeds.
        EXPECT_EQ(StandinChannelSession(userId, 1), -1) << c.name;
        EXPECT_EQ(NET_DVR_StopRemoteConfig(handle), 1) << c.name;
    }
}

TEST_F(CameraFaultsTest, ARebootEndsSessionsAndLoginsOfThatCameraOnly) {
    Delivered delivered[2];
    ASSERT_EQ(StartSession(userId, 1, delivered[0]), 0);
    ASSERT_EQ(StartSession(userId, 2, delivered[1]), 1);
    StandinRebootCamera("192.0.2.99");  // another camera: nothing changes
    EXPECT_TRUE(Fire(0));
    StandinRebootCamera(STANDIN_CAMERA_ADDRESS);
    for (auto& d : delivered) {
        EXPECT_EQ(
            d.statuses,
            (std::vector<std::vector<uint32_t>>{{STANDIN_STATUS_FAILED, STANDIN_ERROR_RECEIVE_TIMEOUT}}));
    }
    EXPECT_FALSE(Fire(0));
    Delivered after;
    EXPECT_EQ(StartSession(userId, 3, after), -1);
    EXPECT_EQ(orvane::platform::LastError(), static_cast<uint32_t>(STANDIN_ERROR_NO_SUCH_USER));
    EXPECT_EQ(NET_DVR_Logout(userId), 0);
    const int32_t again = LogIn();
    ASSERT_GE(again, 0);
    EXPECT_NE(again, userId);
    EXPECT_EQ(StartSession(again, 3, after), 2);  // 0 and 1 are held until stopped
    EXPECT_EQ(NET_DVR_StopRemoteConfig(0), 1);
    StandinRebootCamera(nullptr);  // every camera
    EXPECT_EQ(after.statuses.size(), 1u);
}

// A start racing a reboot is either ended by it or refused: no session keeps
// running on a login the reboot dropped.
TEST_F(CameraFaultsTest, NoSessionOutlivesTheLoginARebootDropped) {
    std::atomic<bool> rebooting{true};
    std::thread rebooter([&] {
        while (rebooting) StandinRebootCamera(STANDIN_CAMERA_ADDRESS);
    });
    std::vector<std::pair<int32_t, int32_t>> started;  // user ID, handle
    std::vector<Delivered> delivered(4000);
    for (Delivered& d : delivered) {
        const int32_t user = LogIn();
        const int32_t handle = user < 0 ? -1 : StartSession(user, 1, d);
        if (handle >= 0) started.emplace_back(user, handle);
    }
    rebooting = false;
    rebooter.join();
    Delivered probe;
    for (const auto& [user, handle] : started) {
        const bool running = Fire(handle);
        const int32_t another = StartSession(user, 2, probe);
        EXPECT_FALSE(running && another < 0) << "session " << handle << " runs on dropped login " << user;
        if (another >= 0) NET_DVR_StopRemoteConfig(another);
        NET_DVR_StopRemoteConfig(handle);
    }
}

TEST_F(CameraFaultsTest, SlowCallsTakeAtLeastTheirDelay) {
    StandinSetCallDelay(STANDIN_OP_LOGOUT, 60);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(NET_DVR_Logout(userId), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(60));
    StandinSetCallDelay(-1, 0);
    EXPECT_GE(LogIn(), 0);
}

}  // namespace
}  // namespace testsupport
