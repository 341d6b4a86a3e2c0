// A recording drawn as an SVG line chart: max, min and avg in degrees Celsius
// against the camera's clock time, one set of series per camera (told apart by
// line style and marker shape), a marker per measurement (at most
// kMaxMarkersPerSeries per series, evenly spread), each camera's peak max
// marked and labelled, labelled axes and a legend.
#pragma once

#include <string>
#include <vector>

#include "measurement.hpp"

namespace orvane_cli {

inline constexpr std::size_t kMaxMarkersPerSeries = 200;

struct ChartCamera {
    std::string label;  // "192.0.2.64 ch 1"
    std::vector<Measurement> measurements;
};

std::string ThermometryChartSvg(const std::vector<ChartCamera>& cameras, const std::string& title);

}  // namespace orvane_cli
