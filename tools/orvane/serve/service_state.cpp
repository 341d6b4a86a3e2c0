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

std::optional<int64_t> CameraTimes::AsUnix(const Measurement& m) {
    const int64_t key = static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(m.date)) << 32 |
                                             static_cast<uint32_t>(m.time));
    const auto found = known_.find(key);
    if (found != known_.end()) return found->second;
    return known_.emplace(key, CameraTimeAsUnix(m)).first->second;
}

void DurationHistogram::Observe(double seconds) {
    for (std::size_t i = 0; i < kBounds.size(); ++i) {
        if (seconds <= kBounds[i]) {
            ++counts[i];
            break;
        }
    }
    ++count;
    sum += seconds;
}

}  // namespace orvane_cli::serve
