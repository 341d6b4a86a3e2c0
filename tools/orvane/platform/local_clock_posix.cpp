#include <time.h>

#include "local_clock.hpp"

namespace orvane_cli::platform {

CivilTime LocalTimeOf(int64_t secondsSinceEpoch) {
    const auto t = static_cast<time_t>(secondsSinceEpoch);
    tm local{};
    ::localtime_r(&t, &local);
    return CivilTime{local.tm_year + 1900,
                     local.tm_mon + 1,
                     local.tm_mday,
                     local.tm_hour,
                     local.tm_min,
                     local.tm_sec,
                     static_cast<int>(local.tm_gmtoff / 60)};
}

}  // namespace orvane_cli::platform
