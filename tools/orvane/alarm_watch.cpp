#include "alarm_watch.hpp"

#include <cmath>

#include "output.hpp"

namespace orvane_cli {

std::vector<std::string> AlarmWatch::Check(const Measurement& m) {
    std::vector<std::string> lines;
    const std::string when = IsoDateTime(m.date, m.time);
    // A reading that is not a number says nothing about either side.
    if (above_ && std::isfinite(m.max)) {
        const bool over = m.max > *above_;
        if (over && !overHigh_) {
            lines.push_back("ALARM " + when + ": max " + Decimal(m.max, 2) + " °C above " +
                            Decimal(*above_, 2) + " °C");
        }
        overHigh_ = over;
    }
    if (below_ && std::isfinite(m.min)) {
        const bool under = m.min < *below_;
        if (under && !underLow_) {
            lines.push_back("ALARM " + when + ": min " + Decimal(m.min, 2) + " °C below " +
                            Decimal(*below_, 2) + " °C");
        }
        underLow_ = under;
    }
    fired_ += static_cast<int>(lines.size());
    return lines;
}

}  // namespace orvane_cli
