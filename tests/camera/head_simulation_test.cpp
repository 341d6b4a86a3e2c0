// The simulated camera's head, driven through the library as a host would drive it.
#include <gtest/gtest.h>

#include <array>

#include "camera/camera_fixture.hpp"
#include "camera/ptz_control.hpp"
#include "camera/ptz_query.hpp"
#include "core/sdk_error_text.hpp"

namespace orvane::camera {
namespace {

using Values = std::array<int32_t, 3>;

class HeadSimulationTest : public testsupport::CameraTest {
protected:
    Values Position() {
        Values position{-1, -1, -1};
        EXPECT_TRUE(PtzGetCurrent(*library, userId, {&position[0], &position[1], &position[2]}));
        return position;
    }
    bool Start(uint32_t command) { return PtzControl(*library, userId, 1, command, 1); }
    bool Stop(uint32_t command) { return PtzControl(*library, userId, 1, command, 0); }
};

TEST_F(HeadSimulationTest, MotionMovesAtSpeedFiveUntilStopped) {
    EXPECT_EQ(Position(), (Values{0, 0, 10}));
    ASSERT_TRUE(Start(STANDIN_PTZ_PAN_RIGHT));
    EXPECT_EQ(StandinPtzIsMoving(), 1);
    StandinClockAdvance(1000);
    EXPECT_EQ(Position(), (Values{100, 0, 10}));  // 20 units a second per speed step
    StandinClockAdvance(500);
    EXPECT_EQ(Position(), (Values{150, 0, 10}));
    ASSERT_TRUE(Stop(STANDIN_PTZ_PAN_RIGHT));
    EXPECT_EQ(StandinPtzIsMoving(), 0);
    StandinClockAdvance(5000);
    EXPECT_EQ(Position(), (Values{150, 0, 10}));
}

TEST_F(HeadSimulationTest, EachAxisMovesBothWaysAndAStopEndsAnyMotion) {
    StandinPtzSetPosition(1000, 400, 100);
    const std::pair<uint32_t, Values> moves[] = {
        {STANDIN_PTZ_PAN_LEFT, {900, 400, 100}}, {STANDIN_PTZ_TILT_DOWN, {900, 450, 100}},
        {STANDIN_PTZ_TILT_UP, {900, 400, 100}},  {STANDIN_PTZ_ZOOM_IN, {900, 400, 120}},
        {STANDIN_PTZ_ZOOM_OUT, {900, 400, 100}}, {STANDIN_PTZ_PAN_RIGHT, {1000, 400, 100}}};
    for (const auto& [command, expected] : moves) {
        ASSERT_TRUE(Start(command));
        StandinClockAdvance(1000);
        ASSERT_TRUE(Stop(STANDIN_PTZ_ZOOM_IN));  // whichever command the stop names
        EXPECT_EQ(Position(), expected) << command;
    }
}

TEST_F(HeadSimulationTest, ANewMotionTakesOverFromWhereTheHeadIs) {
    ASSERT_TRUE(Start(STANDIN_PTZ_TILT_DOWN));
    StandinClockAdvance(2000);
    ASSERT_TRUE(Start(STANDIN_PTZ_ZOOM_IN));
    StandinClockAdvance(2000);
    EXPECT_EQ(Position(), (Values{0, 100, 50}));
}

TEST_F(HeadSimulationTest, MotionStopsAtTheEndsOfTheRanges) {
    ASSERT_TRUE(Start(STANDIN_PTZ_PAN_LEFT));
    StandinClockAdvance(1000);
    EXPECT_EQ(Position(), (Values{0, 0, 10}));
    ASSERT_TRUE(Start(STANDIN_PTZ_TILT_DOWN));
    StandinClockAdvance(3600 * 1000);
    EXPECT_EQ(Position(), (Values{0, 900, 10}));
    ASSERT_TRUE(Start(STANDIN_PTZ_ZOOM_IN));
    StandinClockAdvance(3600 * 1000);
    EXPECT_EQ(Position(), (Values{0, 900, 320}));
    StandinPtzSetPosition(60000, 60000, 0);  // clamped too
    EXPECT_EQ(Position(), (Values{3600, 900, 10}));
}

TEST_F(HeadSimulationTest, PresetsStoreClearAndReturnToAPosition) {
    StandinPtzSetPosition(2500, 300, 80);
    ASSERT_TRUE(PresetCommand(*library, userId, 1, 7, STANDIN_PRESET_SET));
    ASSERT_TRUE(Start(STANDIN_PTZ_PAN_LEFT));
    StandinClockAdvance(3000);
    EXPECT_EQ(Position(), (Values{2200, 300, 80}));
    ASSERT_TRUE(PresetCommand(*library, userId, 1, 7, STANDIN_PRESET_GOTO));
    EXPECT_EQ(StandinPtzIsMoving(), 0);  // going to a preset ends the motion
    StandinClockAdvance(3000);
    EXPECT_EQ(Position(), (Values{2500, 300, 80}));

    ASSERT_TRUE(PresetCommand(*library, userId, 1, 7, STANDIN_PRESET_CLEAR));
    EXPECT_FALSE(PresetCommand(*library, userId, 1, 7, STANDIN_PRESET_GOTO));
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_PARAMETER));
    EXPECT_FALSE(PresetCommand(*library, userId, 1, 0, STANDIN_PRESET_SET));
    EXPECT_FALSE(PresetCommand(*library, userId, 1, STANDIN_PRESET_COUNT + 1, STANDIN_PRESET_SET));
    EXPECT_TRUE(PresetCommand(*library, userId, 1, STANDIN_PRESET_COUNT, STANDIN_PRESET_SET));
}

TEST_F(HeadSimulationTest, UnknownCommandsAndStopFlagsAreRefused) {
    EXPECT_FALSE(Start(99));
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(PtzControl(*library, userId, 1, STANDIN_PTZ_PAN_LEFT, 2));  // stop flag 3
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_PARAMETER));
    EXPECT_EQ(StandinPtzIsMoving(), 0);
}

}  // namespace
}  // namespace orvane::camera
