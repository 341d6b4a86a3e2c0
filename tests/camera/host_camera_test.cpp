// The camera exports called the way a host calls them: resolved by their exported
// names and called through pointers with their exact argument slots.
#include <array>
#include <string>
#include <vector>

#include "support/host_library.hpp"
#include "support/jpeg_reader.hpp"

namespace testsupport {
namespace {

using Values = std::vector<int32_t>;

class HostCameraTest : public HostLibraryTest {
protected:
    void LoadAndLogIn() {
        StandinClockFreeze();
        Load();
        userId = exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                  STANDIN_CAMERA_PASSWORD, 0);
        ASSERT_GE(userId, 0);
        StandinJournalClear();
    }
    Values Position() {
        int32_t pan = -1, tilt = -1, zoom = -1;
        EXPECT_EQ(exports.CamPTZGetCurrent(userId, &pan, &tilt, &zoom, 0), 1);
        return {pan, tilt, zoom};
    }

    int32_t userId = -1;
};

TEST_F(HostCameraTest, SteersTheHeadReadsItBackAndReturnsToAPreset) {
    LoadAndLogIn();
    EXPECT_EQ(Position(), (Values{0, 0, 10}));
    int32_t range[6] = {};
    EXPECT_EQ(
        exports.CamPTZGetScope(userId, &range[0], &range[1], &range[2], &range[3], &range[4], &range[5], 0),
        1);
    EXPECT_EQ(Values(range, range + 6), (Values{0, 3600, 0, 900, 10, 320}));

    EXPECT_EQ(exports.CamPresetCommand(userId, 1, 2, 8, 0), 1);  // preset 2 here
    EXPECT_EQ(exports.CamPTZControl(userId, 1, STANDIN_PTZ_PAN_RIGHT, 1, 0), 1);
    StandinClockAdvance(2000);
    EXPECT_EQ(exports.CamPTZControl(userId, 1, STANDIN_PTZ_PAN_RIGHT, 0, 0), 1);
    EXPECT_EQ(Position(), (Values{200, 0, 10}));
    EXPECT_EQ(exports.CamPresetCommand(userId, 1, 2, 39, 0), 1);
    EXPECT_EQ(Position(), (Values{0, 0, 10}));
    EXPECT_EQ(exports.CamPresetCommand(userId, 1, 2, 9, 0), 1);
    EXPECT_EQ(exports.CamPresetCommand(userId, 1, 2, 39, 0), 0);  // cleared
}

TEST_F(HostCameraTest, StartFlagOnlyItsLowByteCountsAndPresetArgumentsSwap) {
    LoadAndLogIn();
    for (const auto& [startFlag, stopFlag] :
         std::array<std::pair<uint32_t, int64_t>, 4>{{{0x101, 0}, {0x100, 1}, {2, 3}, {0xFFFFFF00u, 1}}}) {
        exports.CamPTZControl(userId, 4, 77, startFlag, 0);
        const auto call = CallsOf(STANDIN_OP_PTZ_CONTROL).back();
        EXPECT_EQ(call.arguments[1], 4);
        EXPECT_EQ(call.arguments[2], 77);
        EXPECT_EQ(call.arguments[3], stopFlag);
        EXPECT_EQ(call.arguments[4], 5);
    }
    StandinScriptResult(STANDIN_OP_PTZ_PRESET, 1, 0);
    EXPECT_EQ(exports.CamPresetCommand(userId, 3, 5, 39, 0), 1);
    EXPECT_EQ(CallsOf(STANDIN_OP_PTZ_PRESET).back().arguments,
              (std::vector<int64_t>{userId, 3, 39, 5, 0, 0}));
    EXPECT_EQ(exports.CamPresetCommand(userId, 3, 5, 264, 0), 0);
    EXPECT_EQ(CallsOf(STANDIN_OP_PTZ_PRESET).size(), 1u);
}

TEST_F(HostCameraTest, QueryOutputsAreWrittenOnlyOnSuccessInArgumentOrder) {
    LoadAndLogIn();
    StandinPtzSetPosition(1234, 567, 89);
    int32_t out[6] = {-1, -2, -3, -4, -5, -6};
    EXPECT_EQ(exports.CamPTZGetCurrent(userId + 5, &out[0], &out[1], &out[2], 0), 0);
    StandinScriptResult(STANDIN_OP_GET_CONFIG, 0, 17);
    EXPECT_EQ(exports.CamPTZGetScope(userId, &out[0], &out[1], &out[2], &out[3], &out[4], &out[5], 0), 0);
    EXPECT_EQ(Values(out, out + 6), (Values{-1, -2, -3, -4, -5, -6}));

    int32_t shared = 0;
    EXPECT_EQ(exports.CamPTZGetCurrent(userId, &shared, &shared, &shared, 0), 1);
    EXPECT_EQ(shared, 89);
    EXPECT_EQ(exports.CamPTZGetScope(userId, &shared, &shared, &shared, &shared, &shared, &shared, 0), 1);
    EXPECT_EQ(shared, 320);
    EXPECT_EQ(exports.CamPTZGetCurrent(userId, nullptr, &shared, nullptr, 0), 1);  // nulls are skipped
    EXPECT_EQ(shared, 567);
    EXPECT_EQ(exports.CamPTZGetScope(userId, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0), 1);
}

TEST_F(HostCameraTest, CaptureWritesAJpegOfTheCamerasSize) {
    LoadAndLogIn();
    ScratchFile file("host_camera_test_snapshot");
    ASSERT_EQ(exports.CamCapture(userId, 1, file.Path(), 0), 1);
    EXPECT_EQ(CallsOf(STANDIN_OP_CAPTURE_JPEG)[0].records[0], (std::vector<uint8_t>{0xFF, 0x00, 0x01, 0x00}));
    const auto picture = DecodeJpegFile(file.Path());
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width, STANDIN_SNAPSHOT_WIDTH);
    EXPECT_EQ(picture->height, STANDIN_SNAPSHOT_HEIGHT);
}

TEST_F(HostCameraTest, CaptureRefusesANullPathButPassesAnEmptyOne) {
    LoadAndLogIn();
    EXPECT_EQ(exports.CamCapture(userId, 1, nullptr, 0), 0);
    EXPECT_TRUE(CallsOf(STANDIN_OP_CAPTURE_JPEG).empty());
    EXPECT_EQ(exports.CamCapture(userId, 1, "", 0), 0);  // the camera cannot create it
    ASSERT_EQ(CallsOf(STANDIN_OP_CAPTURE_JPEG).size(), 1u);
    EXPECT_TRUE(CallsOf(STANDIN_OP_CAPTURE_JPEG)[0].records[1].empty());
}

TEST_F(HostCameraTest, TrailingArgumentChangesNothing) {
    LoadAndLogIn();
    for (int32_t trailing : {1, -1, 0x7FFFFFFF, static_cast<int32_t>(0x80000000u)}) {
        StandinJournalClear();
        StandinPtzSetPosition(300, 200, 100);
        EXPECT_EQ(exports.CamPTZControl(userId, 1, STANDIN_PTZ_TILT_DOWN, 1, trailing), 1);
        StandinClockAdvance(1000);
        EXPECT_EQ(exports.CamPTZControl(userId, 1, STANDIN_PTZ_TILT_DOWN, 0, trailing), 1);
        EXPECT_EQ(exports.CamPresetCommand(userId, 1, 9, 8, trailing), 1);
        int32_t pan = 0, tilt = 0, zoom = 0;
        EXPECT_EQ(exports.CamPTZGetCurrent(userId, &pan, &tilt, &zoom, trailing), 1);
        EXPECT_EQ((Values{pan, tilt, zoom}), (Values{300, 250, 100}));
        int32_t r[6] = {};
        EXPECT_EQ(exports.CamPTZGetScope(userId, &r[0], &r[1], &r[2], &r[3], &r[4], &r[5], trailing), 1);
        EXPECT_EQ(r[1], 3600);
        StandinScriptResult(STANDIN_OP_CAPTURE_JPEG, 1, 0);
        EXPECT_EQ(exports.CamCapture(userId, 1, "host_camera_test_trailing.jpg", trailing), 1);
        EXPECT_EQ(CallsOf(STANDIN_OP_PTZ_CONTROL)[0].arguments[4], 5);
    }
}

TEST_F(HostCameraTest, NothingReachesTheSdkWhileItIsNotReady) {
    StandinScriptResult(STANDIN_OP_INIT, 0, 3);
    Load();
    StandinJournalClear();
    int32_t v = -1;
    EXPECT_EQ(exports.CamPTZControl(0, 1, STANDIN_PTZ_PAN_LEFT, 1, 0), 0);
    EXPECT_EQ(exports.CamPresetCommand(0, 1, 1, 8, 0), 0);
    EXPECT_EQ(exports.CamPTZGetCurrent(0, &v, &v, &v, 0), 0);
    EXPECT_EQ(exports.CamPTZGetScope(0, &v, &v, &v, &v, &v, &v, 0), 0);
    EXPECT_EQ(exports.CamCapture(0, 1, "host_camera_test_not_ready.jpg", 0), 0);
    EXPECT_EQ(exports.CamCapture(0, 1, nullptr, 0), 0);
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(JournalOperations().empty());
}

}  // namespace
}  // namespace testsupport
