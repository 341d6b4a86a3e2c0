#include <array>
#include <string>

#include "support/host_library.hpp"

namespace testsupport {
namespace {

// The failure text as a host reads it through CamLastFailureText.
class HostFailureTextTest : public HostLibraryTest {
protected:
    std::u16string Read() {
        std::array<uint16_t, 128> buffer{};
        const int32_t length = exports.CamLastFailureText(buffer.data(), 128, 0);
        EXPECT_EQ(buffer[static_cast<size_t>(length)], 0);
        return std::u16string(buffer.begin(), buffer.begin() + length);
    }
    void FailLogin() {
        EXPECT_LT(exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, "admin", "wrong", 0), 0);
    }
};

TEST_F(HostFailureTextTest, EmptyUntilAFailureThenTheLatestText) {
    Load();
    EXPECT_EQ(exports.CamLastFailureText(nullptr, 0, 0), 0);
    EXPECT_EQ(Read(), u"");
    FailLogin();
    EXPECT_EQ(exports.CamLastFailureText(nullptr, 0, 0), 25);
    EXPECT_EQ(Read(), u"用户名密码错误。注册时输入的用户名或者密码错误。 ");
    StandinScriptResult(STANDIN_OP_LOGOUT, 0, 188);
    EXPECT_EQ(exports.CamLogout(0, 0), 0);
    EXPECT_EQ(Read(), u"连接尚未建立或连接无效 ");
}

// Reading calls no SDK operation, records nothing, ignores its trailing
// argument, and answers while the SDK is not ready.
TEST_F(HostFailureTextTest, ReadingChangesNothing) {
    StandinScriptResult(STANDIN_OP_INIT, 0, 41);
    Load();
    StandinJournalClear();
    std::array<uint16_t, 4> small{};
    for (int32_t trailing : {0, -1, 0x7FFFFFFF}) {
        EXPECT_EQ(exports.CamLastFailureText(small.data(), 4, trailing), 0);
        EXPECT_EQ(exports.CamLastFailureText(nullptr, -5, trailing), 0);
    }
    EXPECT_TRUE(JournalOperations().empty());
    FailLogin();
    EXPECT_EQ(exports.CamLastFailureText(small.data(), 4, -1), 10);
    EXPECT_EQ(std::u16string(small.begin(), small.end()), std::u16string(u"SDK\0", 4));
    EXPECT_EQ(Read(), u"SDK未成功初始化!");
}

TEST_F(HostFailureTextTest, AReloadStartsEmpty) {
    Load();
    FailLogin();
    EXPECT_EQ(Read().size(), 25u);
    Unload();
    Load();
    EXPECT_EQ(exports.CamLastFailureText(nullptr, 0, 0), 0);
}

// The code is recorded with the text; describing it gives that same text, and
// English beside it. None of the three records anything.
TEST_F(HostFailureTextTest, CodesAndTheirDescriptions) {
    Load();
    EXPECT_EQ(exports.CamLastFailureCode(0), 0);
    FailLogin();
    EXPECT_EQ(exports.CamLastFailureCode(-1), 1);
    std::array<uint16_t, 128> buffer{};
    const int32_t length = exports.CamDescribeFailure(1, 0, buffer.data(), 128, 0);
    EXPECT_EQ(std::u16string(buffer.begin(), buffer.begin() + length), Read());
    EXPECT_EQ(exports.CamDescribeFailure(1, 1, buffer.data(), 128, 0x7FFFFFFF), 28);
    EXPECT_EQ(std::u16string(buffer.begin(), buffer.begin() + 29),
              std::u16string(u"Wrong user name or password.\0", 29));
    EXPECT_EQ(exports.CamDescribeFailure(-1, 0, nullptr, 0, 0), 10);
    EXPECT_EQ(exports.CamDescribeFailure(500, 1, buffer.data(), 4, 0), 33);
    EXPECT_EQ(std::u16string(buffer.begin(), buffer.begin() + 4), std::u16string(u"No \0", 4));
    buffer.fill(0xAAAA);
    EXPECT_EQ(exports.CamDescribeFailure(1, 2, buffer.data(), 128, 0), -1);
    EXPECT_EQ(buffer[0], 0xAAAA);
    // A success leaves the record as it was.
    const int32_t user = exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                          STANDIN_CAMERA_PASSWORD, 0);
    ASSERT_GE(user, 0);
    EXPECT_EQ(exports.CamLastFailureCode(0), 1);
    StandinScriptResult(STANDIN_OP_LOGOUT, 0, 188);
    EXPECT_EQ(exports.CamLogout(user, 0), 0);
    EXPECT_EQ(exports.CamLastFailureCode(0), 188);
    Unload();
    Load();
    EXPECT_EQ(exports.CamLastFailureCode(0), 0);
}

TEST_F(HostFailureTextTest, TheSdkNotStartedCodeIsMinusOne) {
    StandinScriptResult(STANDIN_OP_INIT, 0, 41);
    Load();
    FailLogin();
    EXPECT_EQ(exports.CamLastFailureCode(0), -1);
    std::array<uint16_t, 32> buffer{};
    const int32_t length = exports.CamDescribeFailure(-1, 0, buffer.data(), 32, 0);
    EXPECT_EQ(std::u16string(buffer.begin(), buffer.begin() + length), Read());
}

}  // namespace
}  // namespace testsupport
