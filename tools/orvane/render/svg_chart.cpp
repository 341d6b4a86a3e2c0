#include "render/svg_chart.hpp"

#include "render/chart_label_layout.hpp"
#include "render/chart_legend.hpp"
#include "render/chart_peaks.hpp"
#include "render/chart_scales.hpp"
#include "render/chart_series.hpp"
#include "render/chart_style.hpp"
#include "render/chart_thresholds.hpp"

namespace orvane_cli {
namespace {

// The document's head: its size, a white page, the title and the status note.
std::string Heading(const ChartScales& scales, const std::string& title, const std::string& status) {
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(kChartWidth) + "\" height=\"" +
           Num(scales.height) + "\" viewBox=\"0 0 " + Num(kChartWidth) + " " + Num(scales.height) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text id=\"title\" x=\"" + Num(kChartLeft) + "\" y=\"24\" font-size=\"14\">" + Escape(title) +
           "</text>\n";
    if (!status.empty()) {
        svg += "<text id=\"status\" x=\"" + Num(kChartLeft) + "\" y=\"44\" fill=\"#b00\">" + Escape(status) +
               "</text>\n";
    }
    return svg;
}

}  // namespace

std::string ThermometryChartSvg(const std::vector<ChartSet>& sets, const std::string& title,
                                const ChartNotes& notes) {
    std::vector<std::vector<double>> times;
    for (const ChartSet& set : sets) times.push_back(PlotTimes(set.measurements));
    const ChartScales scales = ScalesOf(sets, times, notes, LegendHeight(sets));

    // No label may hide a peak's marker, so their places are taken first; the
    // thresholds' labels come next, the peaks' last.
    LabelLayout labels(scales.Plot());
    const std::vector<ChartPeak> peaks = PeaksOf(sets, times, scales);
    ReservePeakMarkers(peaks, labels);
    const ThresholdMarks thresholds = ThresholdsOf(notes, scales, labels);

    std::string svg = Heading(scales, title, notes.status) + AxesSvg(scales) + thresholds.lines;
    for (std::size_t c = 0; c < sets.size(); ++c)
        svg += SeriesSvg(sets[c], c, times[c], scales, notes.gapSeconds);
    // Labels go over every line, so that none crosses them.
    svg += thresholds.labels + PeaksSvg(peaks, labels);
    return svg + LegendSvg(sets) + "</svg>\n";
}

}  // namespace orvane_cli
