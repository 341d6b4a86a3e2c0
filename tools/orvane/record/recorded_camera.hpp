// What a recording keeps of each camera and rule, and the chart's data.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "library/measurement.hpp"
#include "record/alarm_watch.hpp"
#include "record/record_summary.hpp"
#include "render/svg_chart.hpp"
#include "watch/camera_view.hpp"

namespace orvane_cli {

// The chart's data: one set per camera and rule, in the order first seen.
class ChartData {
public:
    std::vector<ChartSet>& sets() { return sets_; }
    // The set of `label`, made when new.
    ChartSet& Of(const std::string& label, bool point) {
        const auto found = index_.find(label);
        if (found != index_.end()) return sets_[found->second];
        index_.emplace(label, sets_.size());
        sets_.push_back(ChartSet{label, point, {}});
        return sets_.back();
    }
    bool empty() const { return sets_.empty(); }

private:
    std::vector<ChartSet> sets_;
    std::map<std::string, std::size_t> index_;
};

std::string RuleLabel(const std::string& camera, int32_t channel, const Measurement& m);

// What a recording saw of one rule of a camera.
struct RecordedRule {
    RecordedRule(std::optional<double> above, std::optional<double> below) : alarms(above, below) {}
    std::optional<Measurement> newest;
    // Which subscription gave the newest reading, and its count then: another
    // count or subscription is a new measurement.
    uint64_t subscription = 0;
    int32_t events = 0;
    bool current = false;  // as the latest poll saw it
    RecordSummary summary;
    AlarmWatch alarms;
};

// One camera and channel of a recording: what its watch (one per address)
// shows of the channel, and what it gave.
struct RecordedCamera {
    std::string address;
    int32_t channel = 1;
    std::size_t watch = 0;                  // the index of its address's watch
    std::size_t watched = 0;                // the index of its channel in that watch
    std::map<int32_t, RecordedRule> rules;  // recorded rules, by ID
    std::size_t rows = 0;
    int64_t missed = 0;  // measurements the library received between two polls
    ChannelView view;    // as the latest poll saw it
    CameraView camera;   // the camera's login, without its channels
    std::string health = "running";
    std::string lastHealth = "running";

    std::string Label() const { return address + " ch " + std::to_string(channel); }
};

// "point 34.41 °C" or "max 42.61 °C  min 29.47 °C  avg 36.30 °C".
std::string Readings(const Measurement& m);

}  // namespace orvane_cli
