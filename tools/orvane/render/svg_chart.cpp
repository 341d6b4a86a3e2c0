#include "render/svg_chart.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "render/chart_label_layout.hpp"
#include "render/output.hpp"

namespace orvane_cli {
namespace {

constexpr double kWidth = 1000, kMinHeight = 440;
constexpr double kLeft = 70, kRight = 240, kTop = 56, kBottom = 60;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kLegendLine = 20;
constexpr double kPeakRadius = 6;  // of the circle that marks a peak

struct Series {
    const char* key;
    float Measurement::*reading;
};

// A region rule's three series; a point rule draws its one reading.
const Series kRegionSeries[] = {
    {"max", &Measurement::max}, {"avg", &Measurement::avg}, {"min", &Measurement::min}};
const Series kPointSeries[] = {{"point", &Measurement::point}};

// Per set of series: colours (max, avg, min; a point takes the first), a line
// style and a marker shape, so that sets differ in each.
struct SetStyle {
    const char* colours[3];
    const char* dash;  // stroke-dasharray, empty for solid
    const char* marker;
};
const SetStyle kSetStyles[] = {
    {{"#d62728", "#2ca02c", "#1f77b4"}, "", "circle"},
    {{"#ff7f0e", "#8c564b", "#9467bd"}, "6 3", "square"},
    {{"#e377c2", "#17becf", "#393b79"}, "2 2", "diamond"},
    {{"#843c39", "#bcbd22", "#7f7f7f"}, "8 3 2 3", "triangle"},
};

// A generous estimate of a label's width at font size 12: its characters, not its bytes.
double TextWidth(const std::string& utf8) {
    double characters = 0;
    for (const char c : utf8) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return characters * 7.2 + 6;
}

// A step of 1, 2 or 5 times a power of ten that cuts `span` into about `parts`.
double NiceStep(double span, int parts) {
    const double raw = span / parts;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (raw <= factor * power) return factor * power;
    }
    return 10 * power;
}

// Clock-friendly steps for the time axis, in seconds.
int64_t TimeStep(int64_t span) {
    const int64_t steps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                             600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    for (const int64_t step : steps) {
        if (span / step <= 8) return step;
    }
    return 86400 * ((span / 86400) / 8 + 1);
}

std::string Escape(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

std::string Num(double value) { return Decimal(value, 1); }

// The camera stamps whole seconds; rows that share a second are spread evenly
// across it, so that fast sampling draws a line instead of a comb.
std::vector<double> PlotTimes(const std::vector<Measurement>& measurements) {
    std::vector<double> times(measurements.size());
    for (std::size_t begin = 0; begin < measurements.size();) {
        const int64_t second = SecondsSince2000(measurements[begin].date, measurements[begin].time);
        std::size_t end = begin + 1;
        while (end < measurements.size() &&
               SecondsSince2000(measurements[end].date, measurements[end].time) == second) {
            ++end;
        }
        for (std::size_t i = begin; i < end; ++i) {
            times[i] = static_cast<double>(second) +
                       static_cast<double>(i - begin) / static_cast<double>(end - begin);
        }
        begin = end;
    }
    return times;
}

std::string Marker(const char* shape, double cx, double cy, const char* colour) {
    const std::string fill = "\" fill=\"" + std::string(colour) + "\"/>\n";
    if (std::string(shape) == "circle") {
        return "<circle cx=\"" + Num(cx) + "\" cy=\"" + Num(cy) + "\" r=\"2.5" + fill;
    }
    if (std::string(shape) == "square") {
        return "<rect x=\"" + Num(cx - 2.5) + "\" y=\"" + Num(cy - 2.5) + "\" width=\"5\" height=\"5" + fill;
    }
    const std::string points = std::string(shape) == "diamond"
                                   ? Num(cx) + "," + Num(cy - 3.5) + " " + Num(cx + 3.5) + "," + Num(cy) +
                                         " " + Num(cx) + "," + Num(cy + 3.5) + " " + Num(cx - 3.5) + "," +
                                         Num(cy)
                                   : Num(cx) + "," + Num(cy - 3.5) + " " + Num(cx + 3.5) + "," +
                                         Num(cy + 2.5) + " " + Num(cx - 3.5) + "," + Num(cy + 2.5);
    return "<polygon points=\"" + points + fill;
}

// A label on a white box (the box is the label's extent, which tests check).
std::string Label(const std::string& id, const Box& box, const std::string& text, const char* colour) {
    return "<rect class=\"label-box\" id=\"" + id + "-box\" x=\"" + Num(box.x) + "\" y=\"" + Num(box.y) +
           "\" width=\"" + Num(box.width) + "\" height=\"" + Num(box.height) +
           "\" fill=\"white\" fill-opacity=\"0.85\"/>\n<text id=\"" + id + "\" x=\"" +
           Num(box.x + box.width / 2) + "\" y=\"" + Num(box.y + box.height - 4) +
           "\" text-anchor=\"middle\" fill=\"" + colour + "\">" + Escape(text) + "</text>\n";
}

std::string DashAttribute(const SetStyle& style) {
    return *style.dash != 0 ? " stroke-dasharray=\"" + std::string(style.dash) + "\"" : "";
}

}  // namespace

std::string ThermometryChartSvg(const std::vector<ChartSet>& sets, const std::string& title,
                                const ChartNotes& notes) {
    // Ranges of both axes over every finite reading of every set, and the
    // thresholds; the time axis from the first measurement to the last.
    std::vector<std::vector<double>> times;
    double firstTime = std::numeric_limits<double>::infinity(), lastTime = -firstTime;
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const ChartSet& set : sets) {
        times.push_back(PlotTimes(set.measurements));
        for (const double t : times.back())
            firstTime = std::min(firstTime, t), lastTime = std::max(lastTime, t);
        for (const Measurement& m : set.measurements) {
            for (const double v : {m.High(), m.Low()}) {
                if (std::isfinite(v)) low = std::min(low, v), high = std::max(high, v);
            }
        }
    }
    for (const auto& threshold : {notes.alarmAbove, notes.alarmBelow}) {
        if (threshold) low = std::min(low, *threshold), high = std::max(high, *threshold);
    }
    if (!std::isfinite(firstTime)) firstTime = lastTime = 0;
    if (lastTime - firstTime < 1) lastTime = firstTime + 1;
    if (!std::isfinite(low)) low = 0, high = 1;
    if (high - low < 1) low -= 0.5, high += 0.5;
    const double yStep = NiceStep(high - low, 6);
    const double yMin = std::floor(low / yStep) * yStep, yMax = std::ceil(high / yStep) * yStep;

    // The legend decides the height: one line per series and one per set name.
    double legendHeight = 0;
    for (const ChartSet& set : sets) legendHeight += kLegendLine * ((set.point ? 1 : 3) + 1) + 6;
    const double height = std::max(kMinHeight, kTop + 10 + legendHeight + 20);
    const double plotHeight = height - kTop - kBottom;
    const auto x = [&](double t) { return kLeft + kPlotWidth * (t - firstTime) / (lastTime - firstTime); };
    const auto y = [&](double v) { return kTop + plotHeight * (yMax - v) / (yMax - yMin); };

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(kWidth) + "\" height=\"" + Num(height) +
           "\" viewBox=\"0 0 " + Num(kWidth) + " " + Num(height) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text id=\"title\" x=\"" + Num(kLeft) + "\" y=\"24\" font-size=\"14\">" + Escape(title) +
           "</text>\n";
    if (!notes.status.empty()) {
        svg += "<text id=\"status\" x=\"" + Num(kLeft) + "\" y=\"44\" fill=\"#b00\">" + Escape(notes.status) +
               "</text>\n";
    }

    // Grid and tick labels.
    svg += "<g id=\"y-axis\" stroke=\"#ddd\">\n";
    for (double v = yMin; v <= yMax + yStep / 2; v += yStep) {
        svg += "<line x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kLeft + kPlotWidth) + "\" y1=\"" + Num(y(v)) +
               "\" y2=\"" + Num(y(v)) + "\"/>\n";
        svg += "<text stroke=\"none\" fill=\"#333\" text-anchor=\"end\" x=\"" + Num(kLeft - 6) + "\" y=\"" +
               Num(y(v) + 4) + "\">" + Decimal(v, yStep < 1 ? 1 : 0) + "</text>\n";
    }
    svg += "</g>\n<g id=\"x-axis\" stroke=\"#ddd\" data-first=\"" + Num(x(firstTime)) + "\" data-last=\"" +
           Num(x(lastTime)) + "\">\n";
    const auto first = static_cast<int64_t>(std::ceil(firstTime));
    const int64_t xStep = TimeStep(static_cast<int64_t>(std::ceil(lastTime - firstTime)));
    for (int64_t t = (first + xStep - 1) / xStep * xStep; static_cast<double>(t) <= lastTime; t += xStep) {
        const double tx = x(static_cast<double>(t));
        svg += "<line x1=\"" + Num(tx) + "\" x2=\"" + Num(tx) + "\" y1=\"" + Num(kTop) + "\" y2=\"" +
               Num(kTop + plotHeight) + "\"/>\n";
        svg += "<text stroke=\"none\" fill=\"#333\" text-anchor=\"middle\" x=\"" + Num(tx) + "\" y=\"" +
               Num(kTop + plotHeight + 18) + "\">" + ClockOfDay(t) + "</text>\n";
    }
    svg += "</g>\n";
    svg += "<rect id=\"plot-area\" x=\"" + Num(kLeft) + "\" y=\"" + Num(kTop) + "\" width=\"" +
           Num(kPlotWidth) + "\" height=\"" + Num(plotHeight) + "\" fill=\"none\" stroke=\"#333\"/>\n";
    svg += "<text id=\"x-label\" text-anchor=\"middle\" x=\"" + Num(kLeft + kPlotWidth / 2) + "\" y=\"" +
           Num(height - 14) + "\">Time (camera clock, hh:mm:ss)</text>\n";
    svg += "<text id=\"y-label\" text-anchor=\"middle\" transform=\"translate(20 " +
           Num(kTop + plotHeight / 2) + ") rotate(-90)\">Temperature (°C)</text>\n";

    LabelLayout labels({kLeft, kTop, kPlotWidth, plotHeight});
    // Each set's peak (its highest reading; none for a set without readings).
    // No label may hide a peak's marker, so their places are taken first.
    std::vector<std::size_t> peaks(sets.size());
    for (std::size_t c = 0; c < sets.size(); ++c) {
        const auto& measurements = sets[c].measurements;
        std::size_t& peak = peaks[c];
        peak = measurements.size();
        for (std::size_t i = 0; i < measurements.size(); ++i) {
            const float v = measurements[i].High();
            if (std::isfinite(v) && (peak == measurements.size() || v > measurements[peak].High())) peak = i;
        }
        if (peak == measurements.size()) continue;
        const double px = x(times[c][peak]), py = y(measurements[peak].High());
        labels.Reserve(
            {px - kPeakRadius - 1, py - kPeakRadius - 1, 2 * kPeakRadius + 2, 2 * kPeakRadius + 2});
    }
    // Labels go over every line, so that none crosses them.
    std::string overlays;
    // The alarm thresholds, labelled at their right end.
    const std::pair<const char*, std::optional<double>> thresholds[] = {{"above", notes.alarmAbove},
                                                                        {"below", notes.alarmBelow}};
    for (const auto& [side, value] : thresholds) {
        if (!value) continue;
        const std::string id = std::string("threshold-") + side;
        const std::string text = std::string("alarm ") + side + " " + Decimal(*value, 2) + " °C";
        svg += "<line id=\"" + id + "\" x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kLeft + kPlotWidth) +
               "\" y1=\"" + Num(y(*value)) + "\" y2=\"" + Num(y(*value)) +
               "\" stroke=\"#b00\" stroke-width=\"1\" stroke-dasharray=\"10 4\"/>\n";
        const double width = TextWidth(text);
        overlays +=
            Label(id + "-label", labels.Place({kLeft + kPlotWidth - width / 2 - 12, y(*value), width}), text,
                  "#b00");
    }

    // Each set's peak label, all placed at once (see PlacePeaks).
    std::vector<LabelAt> wanted;
    std::vector<std::string> peakTexts(sets.size());
    for (std::size_t c = 0; c < sets.size(); ++c) {
        const std::size_t peak = peaks[c];
        if (peak == sets[c].measurements.size()) continue;
        const float reading = sets[c].measurements[peak].High();
        peakTexts[c] = "peak " + (sets.size() > 1 ? sets[c].label + " " : "") + Decimal(reading, 2) + " °C";
        wanted.push_back({x(times[c][peak]), y(reading), TextWidth(peakTexts[c])});
    }
    const std::vector<Box> peakBoxes = labels.PlacePeaks(wanted);

    // Each set's series with their markers, then its peak.
    std::size_t peaksDrawn = 0;
    for (std::size_t c = 0; c < sets.size(); ++c) {
        const ChartSet& set = sets[c];
        const SetStyle& style = kSetStyles[c % std::size(kSetStyles)];
        const std::size_t count = set.measurements.size();
        const std::size_t markerStep =
            std::max<std::size_t>(1, (count + kMaxMarkersPerSeries - 1) / kMaxMarkersPerSeries);
        const auto series = set.point
                                ? std::vector<Series>(std::begin(kPointSeries), std::end(kPointSeries))
                                : std::vector<Series>(std::begin(kRegionSeries), std::end(kRegionSeries));
        for (std::size_t k = 0; k < series.size(); ++k) {
            const Series& s = series[k];
            const char* colour = style.colours[k];
            const std::string id = "series-" + std::to_string(c + 1) + "-" + s.key;
            svg += "<polyline id=\"" + id + "\" fill=\"none\" stroke=\"" + colour +
                   "\" stroke-width=\"1.5\"" + DashAttribute(style) + " points=\"";
            std::string markers;
            bool firstPoint = true;
            for (std::size_t i = 0; i < count; ++i) {
                const double v = set.measurements[i].*s.reading;
                if (!std::isfinite(v)) continue;
                svg += (firstPoint ? "" : " ") + Num(x(times[c][i])) + "," + Num(y(v));
                firstPoint = false;
                if (i % markerStep == 0) markers += Marker(style.marker, x(times[c][i]), y(v), colour);
            }
            svg += "\"/>\n<g id=\"" + id + "-markers\">\n" + markers + "</g>\n";
        }
        const std::size_t peak = peaks[c];
        if (peak == count) continue;
        const double px = wanted[peaksDrawn].x, py = wanted[peaksDrawn].y;
        const Box& box = peakBoxes[peaksDrawn++];
        const Segment leader = LeaderTo(px, py, box);
        const std::string id = "peak-" + std::to_string(c + 1);
        overlays += "<g id=\"" + id + "\">\n<circle cx=\"" + Num(px) + "\" cy=\"" + Num(py) + "\" r=\"" +
                    Num(kPeakRadius) +
                    "\" fill=\"none\" stroke=\"#000\" stroke-width=\"1.5\"/>\n<line class=\"leader\" x1=\"" +
                    Num(leader.x1) + "\" y1=\"" + Num(leader.y1) + "\" x2=\"" + Num(leader.x2) + "\" y2=\"" +
                    Num(leader.y2) + "\" stroke=\"#666\"/>\n" +
                    Label(id + "-label", box, peakTexts[c], "#000") + "</g>\n";
    }
    svg += overlays;

    // The legend: each set's name and one entry per series.
    svg += "<g id=\"legend\">\n";
    double legendY = kTop + 10;
    const double left = kLeft + kPlotWidth + 16;
    for (std::size_t c = 0; c < sets.size(); ++c) {
        const SetStyle& style = kSetStyles[c % std::size(kSetStyles)];
        svg += "<text x=\"" + Num(left) + "\" y=\"" + Num(legendY + 4) + "\" font-weight=\"bold\">" +
               Escape(sets[c].label) + "</text>\n";
        legendY += kLegendLine;
        const std::size_t entries = sets[c].point ? 1 : 3;
        for (std::size_t k = 0; k < entries; ++k) {
            const char* colour = style.colours[k];
            svg += "<line x1=\"" + Num(left) + "\" x2=\"" + Num(left + 24) + "\" y1=\"" + Num(legendY) +
                   "\" y2=\"" + Num(legendY) + "\" stroke=\"" + colour + "\" stroke-width=\"3\"" +
                   DashAttribute(style) + "/>\n";
            svg += Marker(style.marker, left + 12, legendY, colour);
            svg += "<text x=\"" + Num(left + 30) + "\" y=\"" + Num(legendY + 4) + "\">" +
                   (sets[c].point ? kPointSeries[0].key : kRegionSeries[k].key) + " (°C)</text>\n";
            legendY += kLegendLine;
        }
        legendY += 6;
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

}  // namespace orvane_cli
