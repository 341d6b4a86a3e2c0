// A recording drawn as an SVG line chart: max, min and avg in degrees Celsius
// against the camera's clock time, with labelled axes and a legend.
#pragma once

#include <string>
#include <vector>

#include "measurement.hpp"

namespace orvane_cli {

std::string ThermometryChartSvg(const std::vector<Measurement>& measurements, const std::string& title);

}  // namespace orvane_cli
