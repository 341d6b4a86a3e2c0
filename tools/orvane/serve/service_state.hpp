// What the service knows of its cameras at one moment: the state the pages and
// the metrics are rendered from. Plain values, copied whole under one lock, so
// that a reader never sees one camera half updated.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "library/measurement.hpp"

namespace orvane_cli::serve {

// A failure as the library described it.
struct FailureView {
    int32_t code = 0;
    std::string english;
    std::string text;  // the library's own text, UTF-8
};

struct ChannelView {
    int32_t channel = 1;
    // 1 running, 2 stopped, 3 start failed, 4 failing on the camera, 5 starting;
    // 0 while not subscribed (the camera is down).
    int32_t state = 0;
    std::string health = "not logged in";
    int32_t cameraCode = 0;
    int64_t dataEventsTotal = 0;  // across every subscription since the service started
    std::optional<double> secondsSinceData;
    int64_t restartsTotal = 0;
    // The newest reading of each rule of the current login, by rule ID.
    std::vector<Measurement> rules;
};

struct CameraView {
    std::string camera;  // the address as given
    bool up = false;
    int64_t loginsTotal = 0;
    std::map<int32_t, int64_t> loginFailures;  // by failure code
    std::optional<FailureView> lastFailure;
    std::vector<ChannelView> channels;
};

struct ServiceSnapshot {
    std::string version;
    double time = 0;  // the host's clock, Unix seconds
    double intervalSeconds = 1;
    std::optional<double> alarmAbove;
    std::optional<double> alarmBelow;
    std::optional<double> pollDurationSeconds;  // none before the first poll
    std::vector<CameraView> cameras;
};

// "above", "below" or nothing: a rule's reading against the thresholds (a
// point's reading counts as both its max and its min).
std::optional<std::string> AlarmOf(const Measurement& m, std::optional<double> above,
                                   std::optional<double> below);

// The camera's clock (taken as the host's local time) as Unix seconds; nothing
// for a date the camera did not give.
std::optional<int64_t> CameraTimeAsUnix(const Measurement& m);

}  // namespace orvane_cli::serve
