// A chart's two scales and their axes: time (the camera's clock) across, from
// the first measurement to the last, and degrees up, over every reading and
// threshold, each with a grid line and a label per step.
#pragma once

#include <string>
#include <vector>

#include "render/chart_label_layout.hpp"
#include "render/svg_chart.hpp"

namespace orvane_cli {

// Each measurement's place on the time axis, in seconds since 2000. The
// camera stamps whole seconds; rows that share a second are spread evenly
// across it, so that fast sampling draws a line instead of a comb.
std::vector<double> PlotTimes(const std::vector<Measurement>& measurements);

struct ChartScales {
    double firstTime, lastTime;  // seconds since 2000
    double yMin, yMax, yStep;    // °C
    double height;               // of the whole chart
    double plotHeight;

    double X(double t) const;
    double Y(double v) const;
    Box Plot() const;
};

// The scales of `sets` (with `times`, their PlotTimes) and `notes`' thresholds
// in a chart tall enough for a legend `legendHeight` high.
ChartScales ScalesOf(const std::vector<ChartSet>& sets, const std::vector<std::vector<double>>& times,
                     const ChartNotes& notes, double legendHeight);
// The grid with its tick labels, the plot's frame and the axis labels.
std::string AxesSvg(const ChartScales& scales);

}  // namespace orvane_cli
