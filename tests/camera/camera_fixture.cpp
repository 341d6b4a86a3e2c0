#include "camera/camera_fixture.hpp"

#include "camera/login.hpp"

namespace testsupport {

void CameraTest::SetUp() {
    StandinTest::SetUp();
    StandinClockFreeze();
    library = std::make_unique<orvane::LibraryState>(orvane::sdk::importedSdk());
    userId = orvane::camera::Login(*library, STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT, STANDIN_CAMERA_USER,
                                   STANDIN_CAMERA_PASSWORD);
    ASSERT_GE(userId, 0);
    StandinJournalClear();
}

void CameraTest::TearDown() {
    library.reset();
    StandinTest::TearDown();
}

void CameraTest::ReloadWithSdkNotReady() {
    library.reset();
    StandinReset();
    StandinScriptResult(STANDIN_OP_INIT, 0, 3);
    library = std::make_unique<orvane::LibraryState>(orvane::sdk::importedSdk());
    ASSERT_FALSE(library->SdkReady());
    StandinJournalClear();
}

}  // namespace testsupport
