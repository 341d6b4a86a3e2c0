// The host's own clock, for stamping rows beside the camera's time (which has
// whole seconds and no zone).
#pragma once

#include <string>

namespace orvane_cli {

// Now as local time in ISO 8601 with milliseconds and the UTC offset:
// "2026-12-07T14:03:05.123+01:00".
std::string HostTimeNow();

}  // namespace orvane_cli
