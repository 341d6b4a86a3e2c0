// The host's local time and its offset from UTC.
#pragma once

#include <cstdint>

namespace orvane_cli::platform {

struct CivilTime {
    int year, month, day, hour, minute, second;
    int utcOffsetMinutes;  // local time minus UTC
};

// The local civil time of `secondsSinceEpoch` (Unix time).
CivilTime LocalTimeOf(int64_t secondsSinceEpoch);

}  // namespace orvane_cli::platform
