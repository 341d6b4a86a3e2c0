#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "camera/login.hpp"
#include "camera/login_record.hpp"
#include "core/sdk_error_text.hpp"
#include "support/standin_fixture.hpp"

namespace orvane::camera {
namespace {

using testsupport::CallsOf;
using testsupport::ExpectLoginCall;
using testsupport::JournalCall;

class LoginTest : public testsupport::StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        library = std::make_unique<LibraryState>(sdk::importedSdk());
    }
    void TearDown() override {
        library.reset();
        StandinTest::TearDown();
    }
    JournalCall LastLogin() { return CallsOf(STANDIN_OP_LOGIN).back(); }

    std::unique_ptr<LibraryState> library;
};

TEST_F(LoginTest, LogsInWithTheCameraCredentialsAndPassesTheRecordExactly) {
    EXPECT_EQ(Login(*library, STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                    STANDIN_CAMERA_PASSWORD),
              0);
    EXPECT_EQ(Login(*library, STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                    STANDIN_CAMERA_PASSWORD),
              1);
    const auto logins = CallsOf(STANDIN_OP_LOGIN);
    ASSERT_EQ(logins.size(), 2u);
    ExpectLoginCall(logins[0], STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                    STANDIN_CAMERA_PASSWORD);
    EXPECT_EQ(logins[0].records[1], std::vector<uint8_t>(344, 0));
    EXPECT_TRUE(library->LastFailureText().empty());
    EXPECT_TRUE(Logout(*library, 0));
    EXPECT_TRUE(library->LastFailureText().empty());
}

TEST_F(LoginTest, RefusedLoginsPassTheSdkResultAndRecordItsError) {
    EXPECT_EQ(Login(*library, STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER, "wrong"), -1);
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(1));
    EXPECT_EQ(Login(*library, "192.0.3.9", STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD),
              -1);
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(7));
    StandinScriptResult(STANDIN_OP_LOGIN, -2, 52);
    EXPECT_EQ(Login(*library, "a", 1, "b", "c"), -2);
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(52));
}

TEST_F(LoginTest, UserIdZeroIsSuccessAndLeavesTheRecordAlone) {
    StandinScriptResult(STANDIN_OP_LOGIN, 0, 0);
    EXPECT_EQ(Login(*library, "", 0, "", ""), 0);
    EXPECT_TRUE(library->LastFailureText().empty());
}

TEST_F(LoginTest, TextsAreFittedToTheirFieldsByLength) {
    const std::string address129(129, 'a'), address130(130, 'a');
    const std::string user64(64, 'u'), user65(65, 'u');
    const std::string password64(64, 'p'), password65(65, 'p');

    Login(*library, address129.c_str(), 1, user64.c_str(), "secret");
    auto login = LastLogin();
    ExpectLoginCall(login, address129, 1, user64, "secret");
    EXPECT_EQ(login.records[0][129], 0);
    EXPECT_EQ(login.records[0][195], 'u');  // the user name runs straight into the password

    Login(*library, address130.c_str(), 1, user65.c_str(), password64.c_str());
    login = LastLogin();
    ExpectLoginCall(login, "", 1, "", password64);
    EXPECT_EQ(login.records[0][260], 0);

    Login(*library, "cam", 2, "user", password65.c_str());
    ExpectLoginCall(LastLogin(), "cam", 2, "user", "");

    Login(*library, "", 3, "", "");
    ExpectLoginCall(LastLogin(), "", 3, "", "");
    EXPECT_EQ(CallsOf(STANDIN_OP_LOGIN).size(), 4u);  // the SDK is called every time
}

TEST_F(LoginTest, TextsGoOverByteForByte) {
    const std::string gbkAddress = "\xC9\xE3\xCF\xF1\xBB\xFA";  // no conversion of any kind
    Login(*library, gbkAddress.c_str(), 1, " user ", "p\xFFw");
    ExpectLoginCall(LastLogin(), gbkAddress, 1, " user ", "p\xFFw");
}

TEST_F(LoginTest, PortKeepsOnlyItsLow16Bits) {
    Login(*library, "cam", 0x12345678, "u", "p");
    ExpectLoginCall(LastLogin(), "cam", 0x5678, "u", "p");
    Login(*library, "cam", -1, "u", "p");
    ExpectLoginCall(LastLogin(), "cam", 0xFFFF, "u", "p");
}

TEST_F(LoginTest, NullTextsCountAsEmpty) {
    EXPECT_EQ(Login(*library, nullptr, 8000, nullptr, nullptr), -1);
    ExpectLoginCall(LastLogin(), "", 8000, "", "");
}

TEST_F(LoginTest, NotReadyRefusesLoginWithoutTheSdkButLogoutStillCallsIt) {
    library.reset();
    StandinReset();
    StandinScriptResult(STANDIN_OP_INIT, 0, 3);
    library = std::make_unique<LibraryState>(sdk::importedSdk());
    EXPECT_EQ(Login(*library, STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                    STANDIN_CAMERA_PASSWORD),
              -1);
    EXPECT_TRUE(CallsOf(STANDIN_OP_LOGIN).empty());
    EXPECT_EQ(library->LastFailureText(), kSdkNotReadyText);

    StandinScriptResult(STANDIN_OP_LOGOUT, 9, 0);
    EXPECT_TRUE(Logout(*library, 4));
    EXPECT_EQ(CallsOf(STANDIN_OP_LOGOUT).size(), 1u);
}

TEST_F(LoginTest, LogoutPassesTheUserIdAndReportsTheSdkAnswer) {
    EXPECT_FALSE(Logout(*library, 42));  // never logged in
    EXPECT_EQ(CallsOf(STANDIN_OP_LOGOUT).back().arguments[0], 42);
    EXPECT_EQ(library->LastFailureText(), DescribeSdkError(47));
    StandinScriptResult(STANDIN_OP_LOGOUT, -5, 0);
    EXPECT_TRUE(Logout(*library, -1));
    EXPECT_EQ(CallsOf(STANDIN_OP_LOGOUT).back().arguments[0], -1);
}

TEST(LoginRequest, WipesThePasswordWhenItsLifeEnds) {
    alignas(LoginRequest) unsigned char storage[sizeof(LoginRequest)];
    auto* request = new (storage) LoginRequest;
    FitText(request->record.password, kCredentialCapacity, "hunter2-hunter2");
    FitText(request->record.userName, kCredentialCapacity, "admin");
    request->~LoginRequest();
    const size_t passwordAt = offsetof(LoginRecord, password);
    for (size_t i = 0; i < kCredentialCapacity; ++i) EXPECT_EQ(storage[passwordAt + i], 0) << i;
}

}  // namespace
}  // namespace orvane::camera
