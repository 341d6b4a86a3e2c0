#include "record/alarm_watch.hpp"

#include <cmath>

#include "render/output.hpp"

namespace orvane_cli {

std::string Alarm::Text() const {
    return "ALARM " + IsoDateTime(date, time) + ": " + (above ? "max " : "min ") + Decimal(reading, 2) +
           " °C " + (above ? "above " : "below ") + Decimal(threshold, 2) + " °C";
}

std::vector<Alarm> AlarmWatch::Check(const Measurement& m) {
    std::vector<Alarm> alarms;
    const float high = m.High(), low = m.Low();
    // A reading that is not a number says nothing about either side.
    if (above_ && std::isfinite(high)) {
        const bool over = high > *above_;
        if (over && !overHigh_) alarms.push_back(Alarm{m.date, m.time, true, high, *above_});
        overHigh_ = over;
    }
    if (below_ && std::isfinite(low)) {
        const bool under = low < *below_;
        if (under && !underLow_) alarms.push_back(Alarm{m.date, m.time, false, low, *below_});
        underLow_ = under;
    }
    fired_ += static_cast<int>(alarms.size());
    return alarms;
}

}  // namespace orvane_cli
