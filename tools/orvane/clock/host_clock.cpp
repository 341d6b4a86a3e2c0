#include "clock/host_clock.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/local_clock.hpp"

namespace orvane_cli {

std::string HostTimeNow() {
    const auto now = std::chrono::system_clock::now();
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const int64_t seconds = sinceEpoch.count() / 1000 - (sinceEpoch.count() % 1000 < 0 ? 1 : 0);
    const int milliseconds = static_cast<int>(sinceEpoch.count() - seconds * 1000);
    const platform::CivilTime local = platform::LocalTimeOf(seconds);
    const int offset = local.utcOffsetMinutes;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", local.year, local.month,
                  local.day, local.hour, local.minute, local.second, milliseconds, offset < 0 ? '-' : '+',
                  std::abs(offset) / 60, std::abs(offset) % 60);
    return text;
}

}  // namespace orvane_cli
