#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "camera/camera_fixture.hpp"
#include "camera/ptz_query.hpp"
#include "core/sdk_error_text.hpp"

namespace orvane::camera {
namespace {

using testsupport::CallsOf;

TEST(BcdWordToInt, ReadsHexDigitsAsDecimalUpToTheFirstLetter) {
    const std::pair<uint16_t, int32_t> table[] = {
        {0x0000, 0},  {0x0007, 7},   {0x0359, 359}, {0x1234, 1234}, {0x3600, 3600}, {0x9999, 9999},
        {0x12AB, 12}, {0x100A, 100}, {0x1A00, 1},   {0x0ABC, 0},    {0xFFFF, 0}};
    for (const auto& [value, expected] : table) EXPECT_EQ(BcdWordToInt(value), expected) << std::hex << value;
}

TEST(BcdWordToInt, AgreesWithReadingTheHexTextForEveryValue) {
    for (uint32_t value = 0; value <= 0xFFFF; ++value) {
        char text[8];
        std::snprintf(text, sizeof text, "%x", value);
        int32_t expected = 0;
        for (const char* c = text; *c >= '0' && *c <= '9'; ++c) expected = expected * 10 + (*c - '0');
        ASSERT_EQ(BcdWordToInt(static_cast<uint16_t>(value)), expected) << std::hex << value;
    }
}

// An SDK whose configuration query answers with fixed bytes, for records the
// simulated camera would never produce.
struct FakeAnswer {
    uint8_t bytes[12] = {};
    int32_t result = 1;
};
FakeAnswer fakeAnswer;

int32_t HCNETSDK_CALL FakeGetConfig(int32_t, uint32_t, int32_t, void* out, uint32_t size, uint32_t*) {
    std::memcpy(out, fakeAnswer.bytes, std::min<uint32_t>(size, sizeof fakeAnswer.bytes));
    return fakeAnswer.result;
}

class PtzRecordTest : public testsupport::StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        fakeAnswer = FakeAnswer{};
        fakeSdk = sdk::importedSdk();
        fakeSdk.getConfig = FakeGetConfig;
        library = std::make_unique<LibraryState>(fakeSdk);
    }
    void TearDown() override {
        library.reset();
        StandinTest::TearDown();
    }
    void Answer(std::initializer_list<uint16_t> words) {
        int i = 0;
        for (const uint16_t word : words) {
            fakeAnswer.bytes[i++] = static_cast<uint8_t>(word & 0xFF);
            fakeAnswer.bytes[i++] = static_cast<uint8_t>(word >> 8);
        }
    }

    sdk::SdkOps fakeSdk{};
    std::unique_ptr<LibraryState> library;
};

TEST_F(PtzRecordTest, PositionValuesAreZeroExtendedAndTheFirstFieldNeverReachesTheHost) {
    Answer({0xBEEF, 0x1234, 0xFFFF, 0x8000});
    int32_t a = -1, b = -1, c = -1;
    EXPECT_TRUE(PtzGetCurrent(*library, 0, {&a, &b, &c}));
    EXPECT_EQ(a, 4660);
    EXPECT_EQ(b, 65535);
    EXPECT_EQ(c, 32768);
}

TEST_F(PtzRecordTest, RangeValuesPassThroughBcdWordToIntInRecordOrder) {
    Answer({0x1234, 0xFFFF, 0x0359, 0x12AB, 0x9999, 0x0007});
    int32_t out[6];
    std::fill(std::begin(out), std::end(out), -1);
    EXPECT_TRUE(PtzGetScope(*library, 0, {&out[0], &out[1], &out[2], &out[3], &out[4], &out[5]}));
    EXPECT_EQ(std::vector<int32_t>(out, out + 6), (std::vector<int32_t>{1234, 0, 359, 12, 9999, 7}));
}

TEST_F(PtzRecordTest, SharedOutputEndsWithTheValueWrittenLast) {
    Answer({0, 11, 22, 33, 0x44, 0x55});
    int32_t shared = -1;
    EXPECT_TRUE(PtzGetCurrent(*library, 0, {&shared, &shared, &shared}));
    EXPECT_EQ(shared, 33);
    Answer({0x11, 0x22, 0x33, 0x44, 0x55, 0x66});
    EXPECT_TRUE(PtzGetScope(*library, 0, {&shared, &shared, &shared, &shared, &shared, &shared}));
    EXPECT_EQ(shared, 66);
}

TEST_F(PtzRecordTest, NullOutputsAreSkippedAndTheOthersStillWritten) {
    Answer({0, 1, 2, 3, 4, 5});
    int32_t second = -1;
    EXPECT_TRUE(PtzGetCurrent(*library, 0, {nullptr, &second, nullptr}));
    EXPECT_EQ(second, 2);
    int32_t sixth = -1;
    EXPECT_TRUE(PtzGetScope(*library, 0, {nullptr, nullptr, nullptr, nullptr, nullptr, &sixth}));
    EXPECT_EQ(sixth, 5);
    EXPECT_TRUE(PtzGetScope(*library, 0, {}));
}

TEST_F(PtzRecordTest, FailedQueriesLeaveOutputsUntouchedEvenWhenTheSdkFilledTheRecord) {
    Answer({1, 2, 3, 4, 5, 6});
    fakeAnswer.result = 0;
    int32_t out[6] = {-1, -2, -3, -4, -5, -6};
    EXPECT_FALSE(PtzGetCurrent(*library, 0, {&out[0], &out[1], &out[2]}));
    EXPECT_FALSE(PtzGetScope(*library, 0, {&out[0], &out[1], &out[2], &out[3], &out[4], &out[5]}));
    EXPECT_EQ(std::vector<int32_t>(out, out + 6), (std::vector<int32_t>{-1, -2, -3, -4, -5, -6}));
}

class PtzQueryTest : public testsupport::CameraTest {};

TEST_F(PtzQueryTest, QueriesAskForTheWholeDeviceWithFreshSizeVariables) {
    int32_t value = 0;
    EXPECT_TRUE(PtzGetCurrent(*library, userId, {&value, &value, &value}));
    EXPECT_TRUE(PtzGetScope(*library, userId, {&value, &value, &value, &value, &value, &value}));
    const auto calls = CallsOf(STANDIN_OP_GET_CONFIG);
    ASSERT_EQ(calls.size(), 2u);
    const int64_t commands[] = {293, 294};
    const int64_t sizes[] = {8, 12};
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(calls[i].arguments[0], userId);
        EXPECT_EQ(calls[i].arguments[1], commands[i]);
        EXPECT_EQ(calls[i].arguments[2], -1);
        EXPECT_EQ(calls[i].arguments[4], sizes[i]);
        EXPECT_EQ(calls[i].records[0], std::vector<uint8_t>(4, 0));  // the returned size, before the call
    }
}

TEST_F(PtzQueryTest, ReadsTheSimulatedHead) {
    StandinPtzSetPosition(1800, 450, 40);
    int32_t pan = -1, tilt = -1, zoom = -1;
    EXPECT_TRUE(PtzGetCurrent(*library, userId, {&pan, &tilt, &zoom}));
    EXPECT_EQ(pan, 1800);
    EXPECT_EQ(tilt, 450);
    EXPECT_EQ(zoom, 40);
    int32_t out[6] = {};
    EXPECT_TRUE(PtzGetScope(*library, userId, {&out[0], &out[1], &out[2], &out[3], &out[4], &out[5]}));
    EXPECT_EQ(std::vector<int32_t>(out, out + 6), (std::vector<int32_t>{0, 3600, 0, 900, 10, 320}));
}

TEST_F(PtzQueryTest, EveryKindOfFailureLeavesOutputsUntouchedAndIsRecorded) {
    int32_t out[6] = {-1, -2, -3, -4, -5, -6};
    const std::vector<int32_t> before(out, out + 6);
    auto current = [&](int32_t user) { return PtzGetCurrent(*library, user, {&out[0], &out[1], &out[2]}); };
    auto scope = [&](int32_t user) {
        return PtzGetScope(*library, user, {&out[0], &out[1], &out[2], &out[3], &out[4], &out[5]});
    };

    EXPECT_FALSE(current(userId + 1));  // refused by the camera
    EXPECT_FALSE(scope(userId + 1));
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(STANDIN_ERROR_NO_SUCH_USER));
    StandinScriptResult(STANDIN_OP_GET_CONFIG, 0, 91);  // any error the SDK reports
    EXPECT_FALSE(current(userId));
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(91));
    EXPECT_EQ(std::vector<int32_t>(out, out + 6), before);

    ReloadWithSdkNotReady();
    EXPECT_FALSE(current(0));
    EXPECT_FALSE(scope(0));
    EXPECT_EQ(library->LastFailureText(), kSdkNotReadyText);
    EXPECT_TRUE(CallsOf(STANDIN_OP_GET_CONFIG).empty());
    EXPECT_EQ(std::vector<int32_t>(out, out + 6), before);
}

}  // namespace
}  // namespace orvane::camera
