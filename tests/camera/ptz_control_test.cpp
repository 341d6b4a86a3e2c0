#include <gtest/gtest.h>

#include <utility>

#include "camera/camera_fixture.hpp"
#include "camera/ptz_control.hpp"
#include "core/platform/last_error.hpp"
#include "core/sdk_error_text.hpp"

namespace orvane::camera {
namespace {

using testsupport::CallsOf;

class PtzControlTest : public testsupport::CameraTest {};

TEST_F(PtzControlTest, StartFlagBecomesTheStopFlagWithItsLowestBitInvertedAtSpeedFive) {
    const std::pair<uint32_t, int64_t> cases[] = {{1, 0}, {0, 1},           {0x101, 0},   {0x100, 1},
                                                  {2, 3}, {0xFFFFFF01u, 0}, {0xFF, 0xFE}, {0xABCDEF00u, 1}};
    for (const auto& [startFlag, stopFlag] : cases) {
        PtzControl(*library, userId, 1, STANDIN_PTZ_PAN_RIGHT, startFlag);
        const auto call = CallsOf(STANDIN_OP_PTZ_CONTROL).back();
        EXPECT_EQ(call.arguments[0], userId);
        EXPECT_EQ(call.arguments[1], 1);
        EXPECT_EQ(call.arguments[2], STANDIN_PTZ_PAN_RIGHT);
        EXPECT_EQ(call.arguments[3], stopFlag) << std::hex << startFlag;
        EXPECT_EQ(call.arguments[4], 5);
    }
}

TEST_F(PtzControlTest, CommandAndChannelGoOverUnchangedAndOnlyTheSdkDecides) {
    EXPECT_FALSE(PtzControl(*library, userId, -7, 0, 1));  // a command the camera does not know
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_NOT_SUPPORTED));
    StandinScriptResult(STANDIN_OP_PTZ_CONTROL, 1, 0);
    EXPECT_TRUE(PtzControl(*library, userId, 0x7FFFFFFF, 0xFFFFFFFFu, 0));
    const auto calls = CallsOf(STANDIN_OP_PTZ_CONTROL);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].arguments[1], -7);
    EXPECT_EQ(calls[0].arguments[2], 0);
    EXPECT_EQ(calls[1].arguments[1], 0x7FFFFFFF);
    EXPECT_EQ(calls[1].arguments[2], 0xFFFFFFFFu);
}

TEST_F(PtzControlTest, AnyNonZeroSdkAnswerIsSuccessAndLeavesTheFailureRecordAlone) {
    EXPECT_FALSE(PtzControl(*library, userId + 1, 1, STANDIN_PTZ_TILT_UP, 1));  // not logged in
    const std::u16string earlier = library->LastFailureText();
    EXPECT_EQ(earlier, DescribeSdkError(STANDIN_ERROR_NO_SUCH_USER));
    StandinScriptResult(STANDIN_OP_PTZ_CONTROL, -3, 0);
    EXPECT_TRUE(PtzControl(*library, userId, 1, STANDIN_PTZ_TILT_UP, 1));
    StandinScriptResult(STANDIN_OP_PTZ_PRESET, 0x100, 0);
    EXPECT_TRUE(PresetCommand(*library, userId, 1, 4, 8));
    EXPECT_EQ(library->LastFailureText(), earlier);
}

TEST_F(PtzControlTest, PresetCommandSwapsIndexAndCommandOnTheWayToTheSdk) {
    for (const uint32_t command : {8u, 9u, 39u}) {
        StandinScriptResult(STANDIN_OP_PTZ_PRESET, 1, 0);
        EXPECT_TRUE(PresetCommand(*library, userId, 2, 5, command));
        const auto call = CallsOf(STANDIN_OP_PTZ_PRESET).back();
        EXPECT_EQ(call.arguments[0], userId);
        EXPECT_EQ(call.arguments[1], 2);
        EXPECT_EQ(call.arguments[2], command);
        EXPECT_EQ(call.arguments[3], 5);
    }
}

TEST_F(PtzControlTest, OtherPresetCommandsAreRefusedWithoutTheSdkOnAllThirtyTwoBits) {
    for (const uint32_t command : {0u, 7u, 10u, 38u, 40u, 264u, 0x80000008u, 0x00010027u}) {
        platform::SetLastError(52);
        EXPECT_FALSE(PresetCommand(*library, userId, 1, 5, command)) << command;
        // Nothing of the library's own: the record describes the thread's value.
        EXPECT_EQ(library->LastFailureText(), DescribeSdkError(52));
    }
    EXPECT_TRUE(CallsOf(STANDIN_OP_PTZ_PRESET).empty());
}

TEST_F(PtzControlTest, RefusedPresetsOfTheCameraRecordItsError) {
    EXPECT_FALSE(PresetCommand(*library, userId, 1, 6, 39));  // preset 6 was never set
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_PARAMETER));
}

TEST_F(PtzControlTest, NothingReachesTheSdkWhileItIsNotReady) {
    ReloadWithSdkNotReady();
    platform::SetLastError(52);
    EXPECT_FALSE(PtzControl(*library, 0, 1, STANDIN_PTZ_PAN_LEFT, 1));
    EXPECT_EQ(library->LastFailureText(), kSdkNotReadyText);
    EXPECT_FALSE(PresetCommand(*library, 0, 1, 5, 8));
    EXPECT_FALSE(PresetCommand(*library, 0, 1, 5, 264));  // readiness is tested first
    EXPECT_EQ(library->LastFailureText(), kSdkNotReadyText);
    EXPECT_TRUE(CallsOf(STANDIN_OP_PTZ_CONTROL).empty());
    EXPECT_TRUE(CallsOf(STANDIN_OP_PTZ_PRESET).empty());
}

}  // namespace
}  // namespace orvane::camera
