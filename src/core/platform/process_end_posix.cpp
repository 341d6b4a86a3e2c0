#include "core/platform/process_end.hpp"

namespace orvane::platform {

// exit() runs the static destructors while the host's other threads go on.
// Calls that work in memory leave within microseconds; one blocked in the SDK
// (a login to a camera that does not answer) may not leave at all.
std::chrono::milliseconds ExportDrainLimit() noexcept { return std::chrono::milliseconds(1000); }

// exit() ends no thread before the static destructors run, and an unload from
// dlclose runs the same destructor: the two ends are one here.
bool OtherThreadsEnded() noexcept { return false; }

}  // namespace orvane::platform
