// What every part of a chart draws with: its geometry, the styles that tell
// sets apart, and the SVG snippets they share (numbers, text, markers, labels).
#pragma once

#include <cstddef>
#include <string>

#include "library/measurement.hpp"
#include "render/chart_label_layout.hpp"

namespace orvane_cli {

inline constexpr double kChartWidth = 1000, kChartMinHeight = 440;
inline constexpr double kChartLeft = 70, kChartRight = 240, kChartTop = 56, kChartBottom = 60;
inline constexpr double kPlotWidth = kChartWidth - kChartLeft - kChartRight;

struct Series {
    const char* key;
    float Measurement::*reading;
};

// A region rule's three series; a point rule draws its one reading.
inline constexpr Series kRegionSeries[] = {
    {"max", &Measurement::max}, {"avg", &Measurement::avg}, {"min", &Measurement::min}};
inline constexpr Series kPointSeries[] = {{"point", &Measurement::point}};

// Per set of series: colours (max, avg, min; a point takes the first), a line
// style and a marker shape, so that sets differ in each.
struct SetStyle {
    const char* colours[3];
    const char* dash;  // stroke-dasharray, empty for solid
    const char* marker;
};
// The style of the set at `index`; past the last style they begin again.
const SetStyle& StyleOfSet(std::size_t index);

// A generous estimate of a label's width at font size 12: its characters, not its bytes.
double TextWidth(const std::string& utf8);
std::string Escape(const std::string& text);
// A coordinate or length as the SVG holds it: one decimal.
std::string Num(double value);
std::string Marker(const char* shape, double cx, double cy, const char* colour);
// A label on a white box (the box is the label's extent, which tests check).
std::string Label(const std::string& id, const Box& box, const std::string& text, const char* colour);
std::string DashAttribute(const SetStyle& style);

}  // namespace orvane_cli
