#include "host/host_library.hpp"

namespace testsupport {

void HostLibraryTest::SetUp() {
    StandinTest::SetUp();
}

void HostLibraryTest::TearDown() {
    Unload();
    StandinTest::TearDown();
}

void HostLibraryTest::Load() {
    std::string error;
    ASSERT_TRUE(library.Open(hostloader::LibraryFileName(), error)) << error;
    exports.CamLogin = library.Export<CamLoginFn>("CamLogin", 5);
    exports.CamLogout = library.Export<CamLogoutFn>("CamLogout", 2);
    exports.CamThermometryStart = library.Export<CamThermometryStartFn>("CamThermometryStart", 3);
    exports.CamThermometryStop = library.Export<CamThermometryStopFn>("CamThermometryStop", 3);
    exports.CamThermometryRead = library.Export<CamThermometryReadFn>("CamThermometryRead", 8);
    ASSERT_NE(exports.CamLogin, nullptr);
    ASSERT_NE(exports.CamLogout, nullptr);
    ASSERT_NE(exports.CamThermometryStart, nullptr);
    ASSERT_NE(exports.CamThermometryStop, nullptr);
    ASSERT_NE(exports.CamThermometryRead, nullptr);
    exports.CamPTZControl = library.Export<CamPTZControlFn>("CamPTZControl", 5);
    exports.CamPresetCommand = library.Export<CamPresetCommandFn>("CamPresetCommand", 5);
    exports.CamPTZGetCurrent = library.Export<CamPTZGetCurrentFn>("CamPTZGetCurrent", 5);
    exports.CamPTZGetScope = library.Export<CamPTZGetScopeFn>("CamPTZGetScope", 8);
    exports.CamCapture = library.Export<CamCaptureFn>("CamCapture", 4);
    ASSERT_NE(exports.CamPTZControl, nullptr);
    ASSERT_NE(exports.CamPresetCommand, nullptr);
    ASSERT_NE(exports.CamPTZGetCurrent, nullptr);
    ASSERT_NE(exports.CamPTZGetScope, nullptr);
    ASSERT_NE(exports.CamCapture, nullptr);
}

void HostLibraryTest::Unload() {
    library.Close();
    exports = HostExports{};
}

}  // namespace testsupport
