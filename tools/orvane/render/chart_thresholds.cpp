#include "render/chart_thresholds.hpp"

#include <optional>
#include <utility>

#include "render/chart_style.hpp"
#include "render/output.hpp"

namespace orvane_cli {

ThresholdMarks ThresholdsOf(const ChartNotes& notes, const ChartScales& scales, LabelLayout& layout) {
    ThresholdMarks marks;
    const std::pair<const char*, std::optional<double>> thresholds[] = {{"above", notes.alarmAbove},
                                                                        {"below", notes.alarmBelow}};
    for (const auto& [side, value] : thresholds) {
        if (!value) continue;
        const std::string id = std::string("threshold-") + side;
        const std::string text = std::string("alarm ") + side + " " + Decimal(*value, 2) + " °C";
        const double y = scales.Y(*value);
        marks.lines += "<line id=\"" + id + "\" x1=\"" + Num(kChartLeft) + "\" x2=\"" +
                       Num(kChartLeft + kPlotWidth) + "\" y1=\"" + Num(y) + "\" y2=\"" + Num(y) +
                       "\" stroke=\"#b00\" stroke-width=\"1\" stroke-dasharray=\"10 4\"/>\n";
        const double width = TextWidth(text);
        marks.labels += Label(
            id + "-label", layout.Place({kChartLeft + kPlotWidth - width / 2 - 12, y, width}), text, "#b00");
    }
    return marks;
}

}  // namespace orvane_cli
