#include <time.h>

#include "local_clock.hpp"

namespace orvane_cli::platform {

CivilTime LocalTimeOf(int64_t secondsSinceEpoch) {
    const auto t = static_cast<__time64_t>(secondsSinceEpoch);
    tm local{};
    ::_localtime64_s(&local, &t);
    // The C runtime gives no offset with the local time: it is the local time
    // read as UTC minus the instant itself (daylight saving included).
    tm copy = local;
    const int64_t offset = static_cast<int64_t>(::_mkgmtime64(&copy)) - secondsSinceEpoch;
    return CivilTime{local.tm_year + 1900,
                     local.tm_mon + 1,
                     local.tm_mday,
                     local.tm_hour,
                     local.tm_min,
                     local.tm_sec,
                     static_cast<int>(offset / 60)};
}

}  // namespace orvane_cli::platform
