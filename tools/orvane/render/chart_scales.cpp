#include "render/chart_scales.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "render/chart_style.hpp"
#include "render/output.hpp"

namespace orvane_cli {
namespace {

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

std::string TemperatureAxis(const ChartScales& s) {
    std::string svg = "<g id=\"y-axis\" stroke=\"#ddd\">\n";
    for (double v = s.yMin; v <= s.yMax + s.yStep / 2; v += s.yStep) {
        svg += "<line x1=\"" + Num(kChartLeft) + "\" x2=\"" + Num(kChartLeft + kPlotWidth) + "\" y1=\"" +
               Num(s.Y(v)) + "\" y2=\"" + Num(s.Y(v)) + "\"/>\n";
        svg += "<text stroke=\"none\" fill=\"#333\" text-anchor=\"end\" x=\"" + Num(kChartLeft - 6) +
               "\" y=\"" + Num(s.Y(v) + 4) + "\">" + Decimal(v, s.yStep < 1 ? 1 : 0) + "</text>\n";
    }
    return svg + "</g>\n";
}

std::string TimeAxis(const ChartScales& s) {
    std::string svg = "<g id=\"x-axis\" stroke=\"#ddd\" data-first=\"" + Num(s.X(s.firstTime)) +
                      "\" data-last=\"" + Num(s.X(s.lastTime)) + "\">\n";
    const auto first = static_cast<int64_t>(std::ceil(s.firstTime));
    const int64_t step = TimeStep(static_cast<int64_t>(std::ceil(s.lastTime - s.firstTime)));
    for (int64_t t = (first + step - 1) / step * step; static_cast<double>(t) <= s.lastTime; t += step) {
        const double tx = s.X(static_cast<double>(t));
        svg += "<line x1=\"" + Num(tx) + "\" x2=\"" + Num(tx) + "\" y1=\"" + Num(kChartTop) + "\" y2=\"" +
               Num(kChartTop + s.plotHeight) + "\"/>\n";
        svg += "<text stroke=\"none\" fill=\"#333\" text-anchor=\"middle\" x=\"" + Num(tx) + "\" y=\"" +
               Num(kChartTop + s.plotHeight + 18) + "\">" + ClockOfDay(t) + "</text>\n";
    }
    return svg + "</g>\n";
}

}  // namespace

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

double ChartScales::X(double t) const {
    return kChartLeft + kPlotWidth * (t - firstTime) / (lastTime - firstTime);
}

double ChartScales::Y(double v) const { return kChartTop + plotHeight * (yMax - v) / (yMax - yMin); }

Box ChartScales::Plot() const { return {kChartLeft, kChartTop, kPlotWidth, plotHeight}; }

ChartScales ScalesOf(const std::vector<ChartSet>& sets, const std::vector<std::vector<double>>& times,
                     const ChartNotes& notes, double legendHeight) {
    double firstTime = std::numeric_limits<double>::infinity(), lastTime = -firstTime;
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (std::size_t c = 0; c < sets.size(); ++c) {
        for (const double t : times[c]) firstTime = std::min(firstTime, t), lastTime = std::max(lastTime, t);
        for (const Measurement& m : sets[c].measurements) {
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
    const double height = std::max(kChartMinHeight, kChartTop + 10 + legendHeight + 20);
    return {firstTime, lastTime, std::floor(low / yStep) * yStep,  std::ceil(high / yStep) * yStep,
            yStep,     height,   height - kChartTop - kChartBottom};
}

std::string AxesSvg(const ChartScales& s) {
    std::string svg = TemperatureAxis(s) + TimeAxis(s);
    svg += "<rect id=\"plot-area\" x=\"" + Num(kChartLeft) + "\" y=\"" + Num(kChartTop) + "\" width=\"" +
           Num(kPlotWidth) + "\" height=\"" + Num(s.plotHeight) + "\" fill=\"none\" stroke=\"#333\"/>\n";
    svg += "<text id=\"x-label\" text-anchor=\"middle\" x=\"" + Num(kChartLeft + kPlotWidth / 2) + "\" y=\"" +
           Num(s.height - 14) + "\">Time (camera clock, hh:mm:ss)</text>\n";
    svg += "<text id=\"y-label\" text-anchor=\"middle\" transform=\"translate(20 " +
           Num(kChartTop + s.plotHeight / 2) + ") rotate(-90)\">Temperature (°C)</text>\n";
    return svg;
}

}  // namespace orvane_cli
