#include "render/chart_series.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "render/chart_style.hpp"

namespace orvane_cli {
namespace {

// Whether a line breaks before each measurement: the camera's clock, not the
// plot's spread of a second's rows, tells how long nothing came.
std::vector<bool> BreaksBefore(const std::vector<Measurement>& measurements, double gapSeconds) {
    std::vector<bool> breaks(measurements.size());
    for (std::size_t i = 1; gapSeconds > 0 && i < measurements.size(); ++i) {
        const int64_t apart = SecondsSince2000(measurements[i].date, measurements[i].time) -
                              SecondsSince2000(measurements[i - 1].date, measurements[i - 1].time);
        breaks[i] = static_cast<double>(apart < 0 ? -apart : apart) > gapSeconds;
    }
    return breaks;
}

std::string Polyline(const std::string& id, const char* colour, const SetStyle& style,
                     const std::string& points) {
    return "<polyline id=\"" + id + "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"1.5\"" +
           DashAttribute(style) + " points=\"" + points + "\"/>\n";
}

}  // namespace

std::string SeriesSvg(const ChartSet& set, std::size_t index, const std::vector<double>& times,
                      const ChartScales& scales, double gapSeconds) {
    const SetStyle& style = StyleOfSet(index);
    const std::size_t count = set.measurements.size();
    const std::size_t markerStep =
        std::max<std::size_t>(1, (count + kMaxMarkersPerSeries - 1) / kMaxMarkersPerSeries);
    const auto series = set.point ? std::vector<Series>(std::begin(kPointSeries), std::end(kPointSeries))
                                  : std::vector<Series>(std::begin(kRegionSeries), std::end(kRegionSeries));
    const std::vector<bool> breaks = BreaksBefore(set.measurements, gapSeconds);
    std::string svg;
    for (std::size_t k = 0; k < series.size(); ++k) {
        const Series& s = series[k];
        const char* colour = style.colours[k];
        const std::string id = "series-" + std::to_string(index + 1) + "-" + s.key;
        // The points of each run between gaps (a series without any keeps its one, empty, line).
        std::vector<std::string> runs(1);
        std::string markers;
        for (std::size_t i = 0; i < count; ++i) {
            if (breaks[i] && !runs.back().empty()) runs.emplace_back();
            const double v = set.measurements[i].*s.reading;
            if (!std::isfinite(v)) continue;
            const double x = scales.X(times[i]), y = scales.Y(v);
            runs.back() += (runs.back().empty() ? "" : " ") + Num(x) + "," + Num(y);
            if (i % markerStep == 0) markers += Marker(style.marker, x, y, colour);
        }
        if (runs.size() > 1 && runs.back().empty()) runs.pop_back();
        for (std::size_t r = 0; r < runs.size(); ++r) {
            svg += Polyline(r == 0 ? id : id + "-run-" + std::to_string(r + 1), colour, style, runs[r]);
        }
        svg += "<g id=\"" + id + "-markers\">\n" + markers + "</g>\n";
    }
    return svg;
}

}  // namespace orvane_cli
