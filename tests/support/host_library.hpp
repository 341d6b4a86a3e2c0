// Loads the built library the way a host does, with every export resolved by the
// name it is exported under and called through a pointer with its exact slots.
#pragma once

#include <gtest/gtest.h>

#include "OrvaneLib.h"
#include "dynamic_library.hpp"
#include "orvane_exports.hpp"
#include "support/standin_fixture.hpp"

namespace testsupport {

using HostExports = hostloader::OrvaneExports;

class HostLibraryTest : public StandinTest {
protected:
    void TearDown() override;
    // Loads the library (running its load code) and resolves the exports.
    void Load();
    // Unloads it (running its unload code).
    void Unload();

    hostloader::DynamicLibrary library;
    HostExports exports;
};

}  // namespace testsupport
