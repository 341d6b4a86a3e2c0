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
    ASSERT_NE(exports.CamLogin, nullptr);
    ASSERT_NE(exports.CamLogout, nullptr);
}

void HostLibraryTest::Unload() {
    library.Close();
    exports = HostExports{};
}

}  // namespace testsupport
