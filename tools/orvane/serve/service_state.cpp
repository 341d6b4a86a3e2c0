#include "serve/service_state.hpp"

#include <ctime>

namespace orvane_cli::serve {

std::optional<std::string> AlarmOf(const Measurement& m, std::optional<double> above,
                                   std::optional<double> below) {
    if (above && m.High() > *above) return "above";
    if (below && m.Low() < *below) return "below";
    return std::nullopt;
}

std::optional<int64_t> CameraTimeAsUnix(const Measurement& m) {
    if (m.date <= 0) return std::nullopt;
    std::tm civil{};
    civil.tm_year = m.date / 10000 - 1900;
    civil.tm_mon = m.date / 100 % 100 - 1;
    civil.tm_mday = m.date % 100;
    civil.tm_hour = m.time / 10000;
    civil.tm_min = m.time / 100 % 100;
    civil.tm_sec = m.time % 100;
    civil.tm_isdst = -1;  // whatever the local rules say for that day
    const std::time_t unix = std::mktime(&civil);
    if (unix == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<int64_t>(unix);
}

}  // namespace orvane_cli::serve
