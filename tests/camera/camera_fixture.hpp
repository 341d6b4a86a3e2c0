// A library logged in to the simulated camera, with the camera's clock frozen so
// that head motion is exact.
#pragma once

#include <cstdint>
#include <memory>

#include "core/library_state.hpp"
#include "support/standin_fixture.hpp"

namespace testsupport {

class CameraTest : public StandinTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Reloads the library against an SDK that fails to start.
    void ReloadWithSdkNotReady();

    std::unique_ptr<orvane::LibraryState> library;
    int32_t userId = -1;
};

}  // namespace testsupport
