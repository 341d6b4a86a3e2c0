// What the service knows of its cameras at one moment: the state the pages and
// the metrics are rendered from. Plain values, copied whole under one lock, so
// that a reader never sees one camera half updated.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/measurement.hpp"
#include "serve/alarm_limits.hpp"
#include "watch/camera_view.hpp"

namespace orvane_cli::serve {

// How long the polls took, in the buckets of a Prometheus histogram: from a
// millisecond (a few cameras) to ten seconds (a site of hundreds, waiting on
// slow ones).
struct DurationHistogram {
    static constexpr std::array<double, 13> kBounds = {0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1,
                                                       0.25,  0.5,    1,     2.5,  5,     10};
    std::array<uint64_t, kBounds.size()> counts{};  // each bucket's own, not cumulative
    uint64_t count = 0;
    double sum = 0;

    void Observe(double seconds);
};

// How the latest reading of the --config file went (at the start or a reload).
struct ConfigStatus {
    bool lastReloadSuccessful = true;
    double lastSuccessUnixSeconds = 0;  // when the configuration in use was read
};

struct ServiceSnapshot {
    std::string version;
    double time = 0;  // the host's clock, Unix seconds
    double intervalSeconds = 1;
    // Shared by every snapshot, never copied; a reload puts new ones in place.
    std::shared_ptr<const AlarmLimits> alarms = std::make_shared<const AlarmLimits>();
    std::optional<ConfigStatus> config;  // none without a --config file
    DurationHistogram pollDurations;
    uint64_t logWriteFailures = 0;
    std::vector<CameraView> cameras;
};

// "above", "below" or nothing: a rule's reading against its limits (a
// point's reading counts as both its max and its min; the avg never counts).
std::optional<std::string> AlarmOf(const Measurement& m, std::optional<double> above,
                                   std::optional<double> below);

// The camera's clock (taken as the host's local time) as Unix seconds; nothing
// for a date the camera did not give.
std::optional<int64_t> CameraTimeAsUnix(const Measurement& m);

// The same for the many readings of one document: the cameras of a site send
// the same few seconds, and each conversion asks the C library, which looks
// at the time zone file again every time. One per document, so that a change
// of the host's zone shows in the next one.
class CameraTimes {
public:
    std::optional<int64_t> AsUnix(const Measurement& m);

private:
    std::unordered_map<int64_t, std::optional<int64_t>> known_;
};

}  // namespace orvane_cli::serve
