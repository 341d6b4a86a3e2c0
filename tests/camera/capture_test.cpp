#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camera/camera_fixture.hpp"
#include "camera/capture.hpp"
#include "core/platform/last_error.hpp"
#include "core/sdk_error_text.hpp"
#include "support/jpeg_reader.hpp"

namespace orvane::camera {
namespace {

using testsupport::CallsOf;
using testsupport::DecodeJpegFile;
using testsupport::ReadFileBytes;
using testsupport::ScratchFile;

const std::vector<uint8_t> kCaptureBlock{0xFF, 0x00, 0x01, 0x00};

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

class CaptureTest : public testsupport::CameraTest {};

TEST_F(CaptureTest, WritesARealJpegOfTheCamerasSize) {
    ScratchFile file("capture_test_size");
    ASSERT_TRUE(Capture(*library, userId, 1, file.Path()));
    const auto picture = DecodeJpegFile(file.Path());
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width, STANDIN_SNAPSHOT_WIDTH);
    EXPECT_EQ(picture->height, STANDIN_SNAPSHOT_HEIGHT);
    EXPECT_EQ(picture->channels, 3);
}

TEST_F(CaptureTest, ThePictureFollowsTheHead) {
    ScratchFile first("capture_test_first"), again("capture_test_again"), moved("capture_test_moved");
    StandinPtzSetPosition(900, 50, 10);
    ASSERT_TRUE(Capture(*library, userId, 1, first.Path()));
    ASSERT_TRUE(Capture(*library, userId, 1, again.Path()));
    StandinPtzSetPosition(2700, 50, 10);
    ASSERT_TRUE(Capture(*library, userId, 1, moved.Path()));
    EXPECT_EQ(ReadFileBytes(first.Path()), ReadFileBytes(again.Path()));
    const auto a = DecodeJpegFile(first.Path());
    const auto b = DecodeJpegFile(moved.Path());
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->pixels, b->pixels);
}

TEST_F(CaptureTest, HandsTheSameBlockAndThePathByteForByteOnEveryCall) {
    const std::string path = "snap \xC9\xE3 \xFF.jpeg";  // no conversion, no extension added
    for (int call = 0; call < 2; ++call) {
        StandinScriptResult(STANDIN_OP_CAPTURE_JPEG, 1, 0);
        EXPECT_TRUE(Capture(*library, userId, 3 + call, path.c_str()));
    }
    const auto calls = CallsOf(STANDIN_OP_CAPTURE_JPEG);
    ASSERT_EQ(calls.size(), 2u);
    for (int call = 0; call < 2; ++call) {
        EXPECT_EQ(calls[call].arguments[0], userId);
        EXPECT_EQ(calls[call].arguments[1], 3 + call);
        EXPECT_EQ(calls[call].records[0], kCaptureBlock);
        EXPECT_EQ(calls[call].records[1], Bytes(path));
    }
}

TEST_F(CaptureTest, AnEmptyPathStillReachesTheSdk) {
    EXPECT_FALSE(Capture(*library, userId, 1, ""));
    const auto calls = CallsOf(STANDIN_OP_CAPTURE_JPEG);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].records[1].empty());
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_CREATE_FILE));
    StandinScriptResult(STANDIN_OP_CAPTURE_JPEG, 1, 0);
    EXPECT_TRUE(Capture(*library, userId, 1, ""));
}

TEST_F(CaptureTest, AnUnwritablePathFailsWithTheFileCreationError) {
    EXPECT_FALSE(Capture(*library, userId, 1, "no-such-folder-for-snapshots/snap.jpg"));
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_CREATE_FILE));
}

TEST_F(CaptureTest, ANullPathFailsAsAParameterErrorWithoutTheSdk) {
    platform::SetLastError(0);
    EXPECT_FALSE(Capture(*library, userId, 1, nullptr));
    EXPECT_EQ(platform::LastError(), kParameterErrorCode);
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(kParameterErrorCode));
    EXPECT_TRUE(CallsOf(STANDIN_OP_CAPTURE_JPEG).empty());
}

TEST_F(CaptureTest, AnyNonZeroSdkAnswerIsSuccessAndLeavesTheFailureRecordAlone) {
    EXPECT_FALSE(Capture(*library, userId + 1, 1, "capture_test_refused.jpg"));
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_NO_SUCH_USER));
    StandinScriptResult(STANDIN_OP_CAPTURE_JPEG, -9, 0);
    EXPECT_TRUE(Capture(*library, userId, 1, "capture_test_scripted.jpg"));
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_NO_SUCH_USER));
}

TEST_F(CaptureTest, NothingReachesTheSdkWhileItIsNotReady) {
    ReloadWithSdkNotReady();
    EXPECT_FALSE(Capture(*library, 0, 1, "capture_test_not_ready.jpg"));
    EXPECT_EQ(library->LastFailureText(), kSdkNotReadyText);
    EXPECT_FALSE(Capture(*library, 0, 1, nullptr));
    EXPECT_EQ(library->LastFailureText(), kSdkNotReadyText);
    EXPECT_TRUE(CallsOf(STANDIN_OP_CAPTURE_JPEG).empty());
}

}  // namespace
}  // namespace orvane::camera
