// A set's series on a chart: a line per series (a region's max, avg and min, a
// point rule's one reading) in the set's colours and line style, with its
// markers, at most kMaxMarkersPerSeries, evenly spread. A line breaks where the
// set's measurements lie more than a gap apart (see svg_chart.hpp).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "render/chart_scales.hpp"
#include "render/svg_chart.hpp"

namespace orvane_cli {

// The series of `set`, the chart's set number `index` (from 0), whose
// measurements lie at `times` (its PlotTimes); `gapSeconds` 0 for no gaps.
std::string SeriesSvg(const ChartSet& set, std::size_t index, const std::vector<double>& times,
                      const ChartScales& scales, double gapSeconds);

}  // namespace orvane_cli
