// Alarm thresholds over a stream of measurements: an alarm fires once when a
// reading crosses its threshold, and again only after the reading has come back.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "measurement.hpp"

namespace orvane_cli {

class AlarmWatch {
public:
    AlarmWatch(std::optional<double> above, std::optional<double> below) : above_(above), below_(below) {}

    // The alarm lines a new measurement raises (none, one or two): the max
    // going above `above`, the min going below `below`.
    std::vector<std::string> Check(const Measurement& m);
    int fired() const { return fired_; }

private:
    std::optional<double> above_, below_;
    bool overHigh_ = false, underLow_ = false;
    int fired_ = 0;
};

}  // namespace orvane_cli
