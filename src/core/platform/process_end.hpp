// What the library's end may meet on this platform.
#pragma once

#include <chrono>

namespace orvane::platform {

// How long the library's end waits for calls still inside exports. Zero where
// no other thread can be inside one: the system ends the other threads before
// a library's end runs at process exit, and a host may not call exports while
// it unloads the library.
std::chrono::milliseconds ExportDrainLimit() noexcept;

}  // namespace orvane::platform
