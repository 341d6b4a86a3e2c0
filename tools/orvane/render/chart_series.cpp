#include "render/chart_series.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "render/chart_style.hpp"

namespace orvane_cli {

std::string SeriesSvg(const ChartSet& set, std::size_t index, const std::vector<double>& times,
                      const ChartScales& scales) {
    const SetStyle& style = StyleOfSet(index);
    const std::size_t count = set.measurements.size();
    const std::size_t markerStep =
        std::max<std::size_t>(1, (count + kMaxMarkersPerSeries - 1) / kMaxMarkersPerSeries);
    const auto series = set.point ? std::vector<Series>(std::begin(kPointSeries), std::end(kPointSeries))
                                  : std::vector<Series>(std::begin(kRegionSeries), std::end(kRegionSeries));
    std::string svg;
    for (std::size_t k = 0; k < series.size(); ++k) {
        const Series& s = series[k];
        const char* colour = style.colours[k];
        const std::string id = "series-" + std::to_string(index + 1) + "-" + s.key;
        svg += "<polyline id=\"" + id + "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"1.5\"" +
               DashAttribute(style) + " points=\"";
        std::string markers;
        bool firstPoint = true;
        for (std::size_t i = 0; i < count; ++i) {
            const double v = set.measurements[i].*s.reading;
            if (!std::isfinite(v)) continue;
            const double x = scales.X(times[i]), y = scales.Y(v);
            svg += (firstPoint ? "" : " ") + Num(x) + "," + Num(y);
            firstPoint = false;
            if (i % markerStep == 0) markers += Marker(style.marker, x, y, colour);
        }
        svg += "\"/>\n<g id=\"" + id + "-markers\">\n" + markers + "</g>\n";
    }
    return svg;
}

}  // namespace orvane_cli
