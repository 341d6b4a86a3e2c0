// What the library's end may meet on this platform.
#pragma once

#include <chrono>

namespace orvane::platform {

// How long the library's end waits for calls still inside exports. Zero where
// no other thread can be inside one: the system ends the other threads before
// a library's end runs at process exit, and a host may not call exports while
// it unloads the library.
std::chrono::milliseconds ExportDrainLimit() noexcept;

// Whether the library's end runs because the process ends and the system has
// already ended every other thread wherever it stood (Windows, at process
// termination). Such a thread may have been inside any export, holding any of
// the library's locks, which nothing will ever release: that end must take
// none. False on an unload, and where the other threads still run during the
// end (exit() on Linux).
bool OtherThreadsEnded() noexcept;

}  // namespace orvane::platform
