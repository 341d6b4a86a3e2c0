// Each set's peak on a chart (its highest reading; none for a set without
// readings): a circle round it and a label with a leader line to it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "render/chart_label_layout.hpp"
#include "render/chart_scales.hpp"
#include "render/svg_chart.hpp"

namespace orvane_cli {

struct ChartPeak {
    std::size_t set;  // its index in the chart's sets
    LabelAt label;    // the peak's point, and its label's width
    std::string text;
};

std::vector<ChartPeak> PeaksOf(const std::vector<ChartSet>& sets,
                               const std::vector<std::vector<double>>& times, const ChartScales& scales);
// Keeps every label off the peaks' circles: called before any label is placed.
void ReservePeakMarkers(const std::vector<ChartPeak>& peaks, LabelLayout& layout);
// The peaks with their labels, all placed at once (see LabelLayout::PlacePeaks).
std::string PeaksSvg(const std::vector<ChartPeak>& peaks, LabelLayout& layout);

}  // namespace orvane_cli
