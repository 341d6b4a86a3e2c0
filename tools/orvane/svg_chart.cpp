#include "svg_chart.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "output.hpp"

namespace orvane_cli {
namespace {

constexpr double kWidth = 900, kHeight = 440;
constexpr double kLeft = 70, kRight = 150, kTop = 50, kBottom = 60;
constexpr double kPlotWidth = kWidth - kLeft - kRight, kPlotHeight = kHeight - kTop - kBottom;

struct Series {
    const char* key;
    const char* label;
    const char* colour;
    float Measurement::*reading;
};

const Series kSeries[] = {
    {"max", "max", "#d62728", &Measurement::max},
    {"avg", "avg", "#2ca02c", &Measurement::avg},
    {"min", "min", "#1f77b4", &Measurement::min},
};

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

// Per camera: a line style and a marker shape.
struct CameraStyle {
    const char* dash;  // stroke-dasharray, empty for solid
    const char* marker;
};
const CameraStyle kCameraStyles[] = {
    {"", "circle"}, {"6 3", "square"}, {"2 2", "diamond"}, {"8 3 2 3", "triangle"}};

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

}  // namespace

std::string ThermometryChartSvg(const std::vector<ChartCamera>& cameras, const std::string& title) {
    // Ranges of both axes over every finite reading of every camera.
    int64_t firstTime = std::numeric_limits<int64_t>::max(), lastTime = std::numeric_limits<int64_t>::min();
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const ChartCamera& camera : cameras) {
        for (const Measurement& m : camera.measurements) {
            const int64_t t = SecondsSince2000(m.date, m.time);
            firstTime = std::min(firstTime, t);
            lastTime = std::max(lastTime, t);
            for (const Series& s : kSeries) {
                const double v = m.*s.reading;
                if (std::isfinite(v)) {
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
            }
        }
    }
    if (firstTime > lastTime) firstTime = lastTime = 0;
    if (!std::isfinite(low)) low = 0, high = 1;
    if (high - low < 1) low -= 0.5, high += 0.5;
    ++lastTime;  // the last second's rows reach into it
    const double yStep = NiceStep(high - low, 6);
    const double yMin = std::floor(low / yStep) * yStep, yMax = std::ceil(high / yStep) * yStep;
    const int64_t span = lastTime - firstTime;
    const auto x = [&](double t) {
        return kLeft + kPlotWidth * (t - static_cast<double>(firstTime)) / static_cast<double>(span);
    };
    const auto y = [&](double v) { return kTop + kPlotHeight * (yMax - v) / (yMax - yMin); };

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(kWidth) + "\" height=\"" +
           Num(kHeight) + "\" viewBox=\"0 0 " + Num(kWidth) + " " + Num(kHeight) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text id=\"title\" x=\"" + Num(kLeft) + "\" y=\"28\" font-size=\"14\">" + Escape(title) +
           "</text>\n";

    // Grid and tick labels.
    svg += "<g id=\"y-axis\" stroke=\"#ddd\">\n";
    for (double v = yMin; v <= yMax + yStep / 2; v += yStep) {
        svg += "<line x1=\"" + Num(kLeft) + "\" x2=\"" + Num(kLeft + kPlotWidth) + "\" y1=\"" + Num(y(v)) +
               "\" y2=\"" + Num(y(v)) + "\"/>\n";
        svg += "<text stroke=\"none\" fill=\"#333\" text-anchor=\"end\" x=\"" + Num(kLeft - 6) + "\" y=\"" +
               Num(y(v) + 4) + "\">" + Decimal(v, yStep < 1 ? 1 : 0) + "</text>\n";
    }
    svg += "</g>\n<g id=\"x-axis\" stroke=\"#ddd\">\n";
    const int64_t xStep = TimeStep(span);
    for (int64_t t = (firstTime + xStep - 1) / xStep * xStep; t <= lastTime; t += xStep) {
        svg += "<line x1=\"" + Num(x(static_cast<double>(t))) + "\" x2=\"" + Num(x(static_cast<double>(t))) +
               "\" y1=\"" + Num(kTop) + "\" y2=\"" + Num(kTop + kPlotHeight) + "\"/>\n";
        svg += "<text stroke=\"none\" fill=\"#333\" text-anchor=\"middle\" x=\"" +
               Num(x(static_cast<double>(t))) + "\" y=\"" + Num(kTop + kPlotHeight + 18) + "\">" +
               ClockOfDay(t) + "</text>\n";
    }
    svg += "</g>\n";
    svg += "<rect x=\"" + Num(kLeft) + "\" y=\"" + Num(kTop) + "\" width=\"" + Num(kPlotWidth) +
           "\" height=\"" + Num(kPlotHeight) + "\" fill=\"none\" stroke=\"#333\"/>\n";
    svg += "<text id=\"x-label\" text-anchor=\"middle\" x=\"" + Num(kLeft + kPlotWidth / 2) + "\" y=\"" +
           Num(kHeight - 14) + "\">Time (camera clock, hh:mm:ss)</text>\n";
    svg += "<text id=\"y-label\" text-anchor=\"middle\" transform=\"translate(20 " +
           Num(kTop + kPlotHeight / 2) + ") rotate(-90)\">Temperature (°C)</text>\n";

    // Each camera's three series with their markers, then its peak.
    for (std::size_t c = 0; c < cameras.size(); ++c) {
        const ChartCamera& camera = cameras[c];
        const CameraStyle& style = kCameraStyles[c % std::size(kCameraStyles)];
        const std::vector<double> times = PlotTimes(camera.measurements);
        const std::size_t count = camera.measurements.size();
        const std::size_t markerStep = (count + kMaxMarkersPerSeries - 1) / kMaxMarkersPerSeries;
        for (const Series& s : kSeries) {
            const std::string id = "series-" + std::to_string(c + 1) + "-" + s.key;
            svg += "<polyline id=\"" + id + "\" fill=\"none\" stroke=\"" + s.colour +
                   "\" stroke-width=\"1.5\"" +
                   (*style.dash != 0 ? " stroke-dasharray=\"" + std::string(style.dash) + "\"" : "") +
                   " points=\"";
            std::string markers;
            bool first = true;
            for (std::size_t i = 0; i < count; ++i) {
                const double v = camera.measurements[i].*s.reading;
                if (!std::isfinite(v)) continue;
                svg += (first ? "" : " ") + Num(x(times[i])) + "," + Num(y(v));
                first = false;
                if (i % markerStep == 0) markers += Marker(style.marker, x(times[i]), y(v), s.colour);
            }
            svg += "\"/>\n<g id=\"" + id + "-markers\">\n" + markers + "</g>\n";
        }
        std::size_t peak = count;
        for (std::size_t i = 0; i < count; ++i) {
            const float v = camera.measurements[i].max;
            if (std::isfinite(v) && (peak == count || v > camera.measurements[peak].max)) peak = i;
        }
        if (peak != count) {
            const double px = x(times[peak]), py = y(camera.measurements[peak].max);
            svg += "<g id=\"peak-" + std::to_string(c + 1) + "\">\n<circle cx=\"" + Num(px) + "\" cy=\"" +
                   Num(py) + "\" r=\"6\" fill=\"none\" stroke=\"#000\" stroke-width=\"1.5\"/>\n";
            svg += "<text x=\"" + Num(px) + "\" y=\"" + Num(py - 10) + "\" text-anchor=\"middle\">peak " +
                   Escape(cameras.size() > 1 ? camera.label + " " : "") +
                   Decimal(camera.measurements[peak].max, 2) + " °C</text>\n</g>\n";
        }
    }

    // The legend: one entry per series of each camera.
    svg += "<g id=\"legend\">\n";
    double legendY = kTop + 10;
    const double left = kLeft + kPlotWidth + 20;
    for (std::size_t c = 0; c < cameras.size(); ++c) {
        const CameraStyle& style = kCameraStyles[c % std::size(kCameraStyles)];
        if (cameras.size() > 1) {
            svg += "<text x=\"" + Num(left) + "\" y=\"" + Num(legendY + 4) + "\" font-weight=\"bold\">" +
                   Escape(cameras[c].label) + "</text>\n";
            legendY += 20;
        }
        for (const Series& s : kSeries) {
            svg += "<line x1=\"" + Num(left) + "\" x2=\"" + Num(left + 24) + "\" y1=\"" + Num(legendY) +
                   "\" y2=\"" + Num(legendY) + "\" stroke=\"" + s.colour + "\" stroke-width=\"3\"" +
                   (*style.dash != 0 ? " stroke-dasharray=\"" + std::string(style.dash) + "\"" : "") + "/>\n";
            svg += Marker(style.marker, left + 12, legendY, s.colour);
            svg += "<text x=\"" + Num(left + 30) + "\" y=\"" + Num(legendY + 4) + "\">" + s.label +
                   " (°C)</text>\n";
            legendY += 20;
        }
        legendY += 6;
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

}  // namespace orvane_cli
