// A chart's alarm thresholds: a dashed line across the plot each, labelled at
// its right end.
#pragma once

#include <string>

#include "render/chart_label_layout.hpp"
#include "render/chart_scales.hpp"
#include "render/svg_chart.hpp"

namespace orvane_cli {

struct ThresholdMarks {
    std::string lines;   // drawn under the series
    std::string labels;  // drawn over them, so that no line crosses a label
};

// The thresholds of `notes`, their labels placed in `layout`.
ThresholdMarks ThresholdsOf(const ChartNotes& notes, const ChartScales& scales, LabelLayout& layout);

}  // namespace orvane_cli
