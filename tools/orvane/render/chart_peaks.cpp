#include "render/chart_peaks.hpp"

#include <cmath>

#include "render/chart_style.hpp"
#include "render/output.hpp"

namespace orvane_cli {
namespace {

constexpr double kPeakRadius = 6;  // of the circle that marks a peak

}  // namespace

std::vector<ChartPeak> PeaksOf(const std::vector<ChartSet>& sets,
                               const std::vector<std::vector<double>>& times, const ChartScales& scales) {
    std::vector<ChartPeak> peaks;
    for (std::size_t c = 0; c < sets.size(); ++c) {
        const auto& measurements = sets[c].measurements;
        std::size_t peak = measurements.size();
        for (std::size_t i = 0; i < measurements.size(); ++i) {
            const float v = measurements[i].High();
            if (std::isfinite(v) && (peak == measurements.size() || v > measurements[peak].High())) peak = i;
        }
        if (peak == measurements.size()) continue;
        const float reading = measurements[peak].High();
        const std::string text =
            "peak " + (sets.size() > 1 ? sets[c].label + " " : "") + Decimal(reading, 2) + " °C";
        peaks.push_back({c, {scales.X(times[c][peak]), scales.Y(reading), TextWidth(text)}, text});
    }
    return peaks;
}

void ReservePeakMarkers(const std::vector<ChartPeak>& peaks, LabelLayout& layout) {
    for (const ChartPeak& peak : peaks) {
        const double px = peak.label.x, py = peak.label.y;
        layout.Reserve(
            {px - kPeakRadius - 1, py - kPeakRadius - 1, 2 * kPeakRadius + 2, 2 * kPeakRadius + 2});
    }
}

std::string PeaksSvg(const std::vector<ChartPeak>& peaks, LabelLayout& layout) {
    std::vector<LabelAt> wanted;
    for (const ChartPeak& peak : peaks) wanted.push_back(peak.label);
    const std::vector<Box> boxes = layout.PlacePeaks(wanted);
    std::string svg;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        const double px = peaks[i].label.x, py = peaks[i].label.y;
        const Segment leader = LeaderTo(px, py, boxes[i]);
        const std::string id = "peak-" + std::to_string(peaks[i].set + 1);
        svg += "<g id=\"" + id + "\">\n<circle cx=\"" + Num(px) + "\" cy=\"" + Num(py) + "\" r=\"" +
               Num(kPeakRadius) +
               "\" fill=\"none\" stroke=\"#000\" stroke-width=\"1.5\"/>\n<line class=\"leader\" x1=\"" +
               Num(leader.x1) + "\" y1=\"" + Num(leader.y1) + "\" x2=\"" + Num(leader.x2) + "\" y2=\"" +
               Num(leader.y2) + "\" stroke=\"#666\"/>\n" +
               Label(id + "-label", boxes[i], peaks[i].text, "#000") + "</g>\n";
    }
    return svg;
}

}  // namespace orvane_cli
