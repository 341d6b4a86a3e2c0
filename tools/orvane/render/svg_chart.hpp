// A recording drawn as an SVG line chart: the readings in degrees Celsius
// against the camera's clock time, one set of series per camera and rule (max,
// min and avg of a region rule, the one reading of a point rule). Sets are told
// apart by colour, line style and marker shape; a marker per measurement (at
// most kMaxMarkersPerSeries per series, evenly spread). Each set's peak is
// marked and labelled, every label inside the plot and clear of the others, and
// no leader line from a peak to its label through another label (see
// chart_label_layout.hpp);
// the time axis runs from the first measurement to the last; alarm thresholds
// are drawn as lines, and a note says when the recording is still going or
// ended early. Where two consecutive measurements of a set lie more than
// ChartNotes::gapSeconds apart on the camera's clock (the camera was off the
// network, its stream silent), the set's lines break: each series is then a
// polyline per run, the first with the series' ID, the next ones with "-run-2",
// "-run-3", ... after it; markers and peaks are drawn as without a gap.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "library/measurement.hpp"

namespace orvane_cli {

inline constexpr std::size_t kMaxMarkersPerSeries = 200;

struct ChartSet {
    std::string label;  // "192.0.2.66 ch 1 rule 2 (box)"
    bool point = false;
    std::vector<Measurement> measurements;
};

struct ChartNotes {
    std::optional<double> alarmAbove, alarmBelow;
    std::string status;     // "recording in progress", "ended early: interrupted", or empty
    double gapSeconds = 0;  // 0: no gaps, one line per series
};

std::string ThermometryChartSvg(const std::vector<ChartSet>& sets, const std::string& title,
                                const ChartNotes& notes = {});

}  // namespace orvane_cli
