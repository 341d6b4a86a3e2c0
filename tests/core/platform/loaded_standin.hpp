// The stand-in SDK as the library loaded it, reached without a reference of the
// host's own: the library's unload alone decides whether it stays mapped.
#pragma once

#include <cstdint>

namespace testsupport {

using SetCallDelayFn = void (*)(int32_t operation, uint32_t milliseconds);

// The stand-in's StandinSetCallDelay, or null when no stand-in is loaded.
SetCallDelayFn LoadedStandinCallDelay();

}  // namespace testsupport
