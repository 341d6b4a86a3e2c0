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
#include "watch/subscription_watch.hpp"

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
    int32_t events = 0;  // the library's count when it was read last
    RecordSummary summary;
    AlarmWatch alarms;
};

// One camera of a recording: its login, its subscription and what it gave.
struct RecordedCamera {
    std::string address;
    int32_t channel = 1;
    int32_t userId = -1;
    bool ownLogin = false;  // false when a shell session lent its login
    bool subscribed = false;
    std::map<int32_t, RecordedRule> rules;  // recorded rules, by ID
    std::map<int32_t, int32_t> skipped;     // rules left out (--rule): their count when read last
    std::size_t rows = 0;
    SubscriptionWatch watch;
    std::string health = "running";
    std::string lastHealth = "running";

    std::string Label() const { return address + " ch " + std::to_string(channel); }
};

// "point 34.41 °C" or "max 42.61 °C  min 29.47 °C  avg 36.30 °C".
std::string Readings(const Measurement& m);

}  // namespace orvane_cli
