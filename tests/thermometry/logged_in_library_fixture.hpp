// A library over the stand-in with streaming off and one user logged in through
// the SDK table, logging to the tests' memory log: what the thermometry logic
// tests start from.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/library_state.hpp"
#include "core/sdk_ops.hpp"
#include "support/log_support.hpp"
#include "support/standin_fixture.hpp"

namespace testsupport {

class LoggedInLibraryTest : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        StandinSetStreaming(0);
        ClearLog();
        library = std::make_unique<orvane::LibraryState>(orvane::sdk::importedSdk(), TestLog());
        userId = library->Sdk().login(loginRecord.data(), deviceInfo.data());
        ASSERT_GE(userId, 0);
    }
    void TearDown() override {
        library.reset();
        ClearLog();
        StandinTest::TearDown();
    }

    std::vector<uint8_t> loginRecord = ExpectedLoginRecord(STANDIN_CAMERA_ADDRESS, STANDIN_CAMERA_PORT,
                                                           STANDIN_CAMERA_USER, STANDIN_CAMERA_PASSWORD);
    std::vector<uint8_t> deviceInfo = std::vector<uint8_t>(344);
    std::unique_ptr<orvane::LibraryState> library;
    int32_t userId = -1;
};

}  // namespace testsupport
