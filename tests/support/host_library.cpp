#include "support/host_library.hpp"

namespace testsupport {

void HostLibraryTest::TearDown() {
    Unload();
    StandinTest::TearDown();
}

void HostLibraryTest::Load() {
    std::string error;
    ASSERT_TRUE(library.Open(hostloader::LibraryFileName(), error)) << error;
    ASSERT_TRUE(hostloader::ResolveOrvaneExports(library, exports, [](const std::string& name, bool found) {
        EXPECT_TRUE(found) << name << " is not exported";
    }));
}

void HostLibraryTest::Unload() {
    library.Close();
    exports = HostExports{};
}

}  // namespace testsupport
