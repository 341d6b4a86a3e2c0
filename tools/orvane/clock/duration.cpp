#include "clock/duration.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orvane_cli {

std::optional<Milliseconds> ParseDuration(const std::string& text) {
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.')) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double amount = std::strtod(text.c_str(), &end);
    const std::string unit(end);
    double factor = 0;
    if (unit.empty() || unit == "s")
        factor = 1000;
    else if (unit == "ms")
        factor = 1;
    else if (unit == "m" || unit == "min")
        factor = 60'000;
    else if (unit == "h")
        factor = 3'600'000;
    else
        return std::nullopt;
    const double milliseconds = amount * factor;
    if (!std::isfinite(milliseconds) || milliseconds < 1 ||
        milliseconds > static_cast<double>(kLongestDuration.count())) {
        return std::nullopt;
    }
    return Milliseconds(static_cast<int64_t>(std::llround(milliseconds)));
}

std::string ClockText(Milliseconds duration) {
    const long long seconds = duration.count() / 1000;
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%02lld:%02lld", seconds / 60, seconds % 60);
    }
    return text;
}

}  // namespace orvane_cli
