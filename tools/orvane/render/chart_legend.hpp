// A chart's legend, right of the plot: each set's name, then an entry per
// series in its colour, line style and marker.
#pragma once

#include <string>
#include <vector>

#include "render/svg_chart.hpp"

namespace orvane_cli {

// How tall the legend of `sets` is: one line per series and one per set name.
double LegendHeight(const std::vector<ChartSet>& sets);
std::string LegendSvg(const std::vector<ChartSet>& sets);

}  // namespace orvane_cli
