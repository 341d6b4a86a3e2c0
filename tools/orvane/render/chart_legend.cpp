#include "render/chart_legend.hpp"

#include "render/chart_style.hpp"

namespace orvane_cli {
namespace {

constexpr double kLegendLine = 20;

}  // namespace

double LegendHeight(const std::vector<ChartSet>& sets) {
    double height = 0;
    for (const ChartSet& set : sets) height += kLegendLine * ((set.point ? 1 : 3) + 1) + 6;
    return height;
}

std::string LegendSvg(const std::vector<ChartSet>& sets) {
    std::string svg = "<g id=\"legend\">\n";
    double y = kChartTop + 10;
    const double left = kChartLeft + kPlotWidth + 16;
    for (std::size_t c = 0; c < sets.size(); ++c) {
        const SetStyle& style = StyleOfSet(c);
        svg += "<text x=\"" + Num(left) + "\" y=\"" + Num(y + 4) + "\" font-weight=\"bold\">" +
               Escape(sets[c].label) + "</text>\n";
        y += kLegendLine;
        const std::size_t entries = sets[c].point ? 1 : 3;
        for (std::size_t k = 0; k < entries; ++k) {
            const char* colour = style.colours[k];
            svg += "<line x1=\"" + Num(left) + "\" x2=\"" + Num(left + 24) + "\" y1=\"" + Num(y) +
                   "\" y2=\"" + Num(y) + "\" stroke=\"" + colour + "\" stroke-width=\"3\"" +
                   DashAttribute(style) + "/>\n";
            svg += Marker(style.marker, left + 12, y, colour);
            svg += "<text x=\"" + Num(left + 30) + "\" y=\"" + Num(y + 4) + "\">" +
                   (sets[c].point ? kPointSeries[0].key : kRegionSeries[k].key) + " (°C)</text>\n";
            y += kLegendLine;
        }
        y += 6;
    }
    return svg + "</g>\n";
}

}  // namespace orvane_cli
