#include <string>

#include "support/host_library.hpp"

namespace testsupport {
namespace {

class HostLoginTest : public HostLibraryTest {};

TEST_F(HostLoginTest, LoadStartsTheSdkAndUnloadShutsItDown) {
    Load();
    EXPECT_EQ(JournalOperations(), std::vector<int32_t>{STANDIN_OP_INIT});
    EXPECT_EQ(StandinIsInitialised(), 1);
    Unload();
    EXPECT_EQ(JournalOperations(), (std::vector<int32_t>{STANDIN_OP_INIT, STANDIN_OP_CLEANUP}));
    EXPECT_EQ(StandinIsInitialised(), 0);
}

TEST_F(HostLoginTest, LogsInAndOutOfTheSimulatedCamera) {
    Load();
    const int32_t userId = exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                            STANDIN_CAMERA_PASSWORD, 0);
    EXPECT_EQ(userId, 0);
    const auto logins = CallsOf(STANDIN_OP_LOGIN);
    ASSERT_EQ(logins.size(), 1u);
    ExpectLoginCall(logins[0], STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                    STANDIN_CAMERA_PASSWORD);
    EXPECT_EQ(logins[0].records[1], std::vector<uint8_t>(344, 0));
    EXPECT_EQ(exports.CamLogout(userId, 0), 1);
    EXPECT_EQ(exports.CamLogout(userId, 0), 0);  // already logged out
    EXPECT_EQ(CallsOf(STANDIN_OP_LOGOUT).back().arguments[0], userId);
}

TEST_F(HostLoginTest, TrailingArgumentChangesNothing) {
    Load();
    for (int32_t trailing : {0, 1, -1, 0x7FFFFFFF, static_cast<int32_t>(0x80000000u)}) {
        StandinJournalClear();
        const int32_t userId = exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT,
                                                STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD, trailing);
        EXPECT_GE(userId, 0);
        ExpectLoginCall(CallsOf(STANDIN_OP_LOGIN)[0], STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT,
                        STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD);
        EXPECT_EQ(exports.CamLogout(userId, trailing), 1);
    }
}

TEST_F(HostLoginTest, RefusedLoginsReturnTheSdkValue) {
    Load();
    EXPECT_EQ(exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, "admin", "nope", 0), -1);
    StandinScriptResult(STANDIN_OP_LOGIN, -2, 1);
    EXPECT_EQ(exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, "admin", "x", 0), -2);
}

TEST_F(HostLoginTest, SdkThatFailsToStartStillLoads) {
    StandinScriptResult(STANDIN_OP_INIT, 0, 41);
    Load();
    EXPECT_EQ(exports.CamLogin(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                               STANDIN_CAMERA_PASSWORD, 0),
              -1);
    EXPECT_TRUE(CallsOf(STANDIN_OP_LOGIN).empty());
    EXPECT_EQ(exports.CamLogout(0, 0), 0);  // still reaches the SDK
    EXPECT_EQ(CallsOf(STANDIN_OP_LOGOUT).size(), 1u);
}

TEST_F(HostLoginTest, BadInputFromTheHostNeverCrashes) {
    Load();
    const std::string huge(1 << 20, 'x');
    EXPECT_EQ(exports.CamLogin(nullptr, 0, nullptr, nullptr, 0), -1);
    EXPECT_EQ(exports.CamLogin(huge.c_str(), -1, huge.c_str(), huge.c_str(), -1), -1);
    ExpectLoginCall(CallsOf(STANDIN_OP_LOGIN).back(), "", 0xFFFF, "", "");
    EXPECT_EQ(exports.CamLogout(-1, 0), 0);
}

}  // namespace
}  // namespace testsupport
