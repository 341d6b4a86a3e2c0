// Alarm thresholds over a stream of measurements of one rule: an alarm fires
// once when a reading crosses its threshold, and again only after the reading
// has come back. A point rule's reading counts as both its max and its min.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "library/measurement.hpp"

namespace orvane_cli {

// One alarm that fired.
struct Alarm {
    int32_t date = 0, time = 0;  // of the measurement
    bool above = true;           // the max above the upper threshold, or the min below the lower
    double reading = 0;
    double threshold = 0;

    // "ALARM 2026-12-07T14:03:05: max 39.48 °C above 35.00 °C"
    std::string Text() const;
};

class AlarmWatch {
public:
    AlarmWatch(std::optional<double> above, std::optional<double> below) : above_(above), below_(below) {}

    // The alarms a new measurement raises (none, one or two): the max going
    // above `above`, the min going below `below`.
    std::vector<Alarm> Check(const Measurement& m);
    int fired() const { return fired_; }

private:
    std::optional<double> above_, below_;
    bool overHigh_ = false, underLow_ = false;
    int fired_ = 0;
};

}  // namespace orvane_cli
