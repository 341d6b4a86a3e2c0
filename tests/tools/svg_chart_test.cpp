#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "render/chart_label_layout.hpp"
#include "render/svg_chart.hpp"

namespace orvane_cli {
namespace {

struct LabelBox {
    std::string id;
    Box box;
};

struct Leader {
    std::string label;  // the ID of its label's box
    Segment line;
};

std::vector<LabelBox> LabelBoxesOf(const std::string& svg) {
    const std::regex box(
        "label-box\" id=\"([^\"]*)\" x=\"([-0-9.]+)\" y=\"([-0-9.]+)\" width=\"([-0-9.]+)\" "
        "height=\"([-0-9.]+)\"");
    std::vector<LabelBox> boxes;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), box); it != std::sregex_iterator(); ++it) {
        boxes.push_back(
            {(*it)[1], {std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4]), std::stod((*it)[5])}});
    }
    return boxes;
}

// Each peak's leader line, with the ID of the label box it leads to.
std::vector<Leader> LeadersOf(const std::string& svg) {
    const std::regex line(
        "<g id=\"(peak-[0-9]+)\">\n<circle [^\n]*\n<line class=\"leader\" x1=\"([-0-9.]+)\" "
        "y1=\"([-0-9.]+)\" x2=\"([-0-9.]+)\" y2=\"([-0-9.]+)\"");
    std::vector<Leader> leaders;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), line); it != std::sregex_iterator(); ++it) {
        leaders.push_back(
            {std::string((*it)[1]) + "-label-box",
             {std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4]), std::stod((*it)[5])}});
    }
    return leaders;
}

// The layout rules on the chart's geometry: every label inside the plot (so
// clear of the legend and the axis labels outside it) and clear of every other,
// every leader line inside the plot and through no label but its own (a touch
// of a label's edge, within the SVG's one decimal, does not count).
void ExpectReadableLayout(const std::string& svg, std::size_t peaks, std::size_t thresholds) {
    const std::regex plotArea(
        "id=\"plot-area\" x=\"([0-9.]+)\" y=\"([0-9.]+)\" width=\"([0-9.]+)\" height=\"([0-9.]+)\"");
    std::smatch plot;
    ASSERT_TRUE(std::regex_search(svg, plot, plotArea));
    const Box p{std::stod(plot[1]), std::stod(plot[2]), std::stod(plot[3]), std::stod(plot[4])};
    const std::vector<LabelBox> labels = LabelBoxesOf(svg);
    const std::vector<Leader> leaders = LeadersOf(svg);
    EXPECT_EQ(labels.size(), peaks + thresholds);
    EXPECT_EQ(leaders.size(), peaks);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        EXPECT_TRUE(labels[i].box.Inside(p)) << labels[i].id;
        for (std::size_t j = i + 1; j < labels.size(); ++j) {
            EXPECT_FALSE(labels[i].box.Overlaps(labels[j].box))
                << labels[i].id << " overlaps " << labels[j].id;
        }
    }
    constexpr double kRounding = 0.1;
    for (const auto& [label, line] : leaders) {
        EXPECT_TRUE(Box({line.x1, line.y1, 0, 0}).Inside(p) && Box({line.x2, line.y2, 0, 0}).Inside(p))
            << label;
        for (const auto& [id, b] : labels) {
            const Box inside{b.x + kRounding, b.y + kRounding, b.width - 2 * kRounding,
                             b.height - 2 * kRounding};
            EXPECT_TRUE(id == label || !line.Crosses(inside))
                << "the leader to " << label << " crosses " << id;
        }
    }
}

// A set with one reading a second (a region's min and avg below its max).
ChartSet Set(const char* label, bool point, const std::vector<float>& readings) {
    ChartSet set{label, point, {}};
    for (const float v : readings) {
        set.measurements.push_back({.date = 20261207,
                                    .time = 120000 + static_cast<int32_t>(set.measurements.size()),
                                    .type = point ? 0 : 1,
                                    .point = v,
                                    .max = v,
                                    .min = v - 10,
                                    .avg = v - 5});
    }
    return set;
}

// Sets whose peaks coincide or lie close, thresholds through them and plots
// crowded with labels: every label still lies inside the plot, clear of every
// other, and every leader line reaches its label past the others.
TEST(ThermometryChart, LabelsStayInsideThePlotAndApart) {
    const struct {
        const char* what;
        std::vector<ChartSet> sets;
        ChartNotes notes;
    } cases[] = {
        {"four peaks on one spot at the plot's right edge",
         {Set("a", false, {35, 35, 35, 35, 40}), Set("b", false, {35, 35, 35, 35, 40}),
          Set("c", true, {35, 35, 35, 35, 40}), Set("d ch 1 rule 200 line", false, {35, 35, 35, 35, 40})},
         {40.0, 30.0, ""}},
        {"one measurement", {Set("a", true, {25})}, {25.0, 25.0, "ended early: interrupted"}},
        {"six sets", std::vector<ChartSet>(6, Set("192.0.2.66 ch 1 rule 3 line", false, {45, 45, 50})), {}},
        {"two peaks at one moment, one above the other",
         {Set("192.0.2.64 ch 1 rule 2 box", false, {21, 37, 32}),
          Set("192.0.2.65 ch 1 rule 1 point", true, {24, 40})},
         {}},
        {"three peaks on one spot below the plot's top",
         {Set("a", true, {27, 39, 34, 38, 39}), Set("b", true, {23, 39, 21, 29}),
          Set("c", true, {23, 33, 23, 34, 32, 27, 26}), Set("d", true, {35, 39, 37, 36, 39, 28})},
         {}},
        {"three peaks of one reading within a second at the plot's left edge",
         {Set("a", true, {38}), Set("b", true, {20, 38, 29}), Set("c", false, {23, 38, 37}),
          Set("d", false, {37, 25, 20, 29, 31, 20, 23, 40})},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectReadableLayout(ThermometryChartSvg(c.sets, "title", c.notes), c.sets.size(),
                             c.notes.alarmAbove.has_value() + c.notes.alarmBelow.has_value());
    }
}

// The box the chart keeps every label off round a peak's marker.
Box MarkerOf(const LabelAt& peak) { return {peak.x - 7, peak.y - 7, 14, 14}; }

// The peaks' labels placed as the chart places them (markers reserved first),
// checked against the layout rules: every label inside the plot, clear of the
// others and of every marker, and no leader line through another's label.
void ExpectPeaksPlacedApart(const Box& plot, const std::vector<LabelAt>& peaks) {
    LabelLayout layout(plot);
    for (const LabelAt& peak : peaks) layout.Reserve(MarkerOf(peak));
    const std::vector<Box> boxes = layout.PlacePeaks(peaks);
    ASSERT_EQ(boxes.size(), peaks.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        EXPECT_TRUE(boxes[i].Inside(plot)) << "label " << i;
        const Segment leader = LeaderTo(peaks[i].x, peaks[i].y, boxes[i]);
        for (std::size_t j = 0; j < boxes.size(); ++j) {
            EXPECT_FALSE(boxes[i].Overlaps(MarkerOf(peaks[j]))) << "label " << i << " over marker " << j;
            if (j == i) continue;
            EXPECT_FALSE(boxes[i].Overlaps(boxes[j])) << "labels " << i << " and " << j;
            EXPECT_FALSE(leader.Crosses(boxes[j])) << "the leader to " << i << " crosses label " << j;
        }
    }
}

// Two close peaks at the top of the plot, whose wide labels fit only well
// apart: the one below the other's leader line could not go across it.
TEST(LabelLayout, LabelsOfClosePeaksClearOfEachOthersLeaders) {
    ExpectPeaksPlacedApart({0, 0, 400, 200}, {{223, 5, 203}, {196, 23, 194}});
}

// Clusters of two to four peaks with wide labels, anywhere in the plot (the
// same layouts on every run and platform: the generator's raw numbers only).
TEST(LabelLayout, RandomClustersOfPeaksPlacedApart) {
    std::mt19937 random(7);
    const auto upTo = [&](uint32_t n) { return static_cast<double>(random() % (n + 1)); };
    for (int layout = 0; layout < 300; ++layout) {
        std::vector<LabelAt> peaks(2 + random() % 3);
        const double x = upTo(400), y = upTo(200);
        for (LabelAt& peak : peaks) {
            peak.x = std::clamp(x + upTo(40) - 20, 0.0, 400.0);
            peak.y = std::clamp(y + upTo(40) - 20, 0.0, 200.0);
            peak.width = 120 + upTo(80);
        }
        SCOPED_TRACE(testing::Message() << "layout " << layout);
        ExpectPeaksPlacedApart({0, 0, 400, 200}, peaks);
    }
}

// A point rule read at these seconds past noon, one reading each.
ChartSet ReadAt(const std::vector<int32_t>& seconds) {
    ChartSet set{"a", true, {}};
    for (const int32_t s : seconds) {
        set.measurements.push_back({.date = 20261207, .time = 120000 + s, .type = 0, .point = 30.0f + s});
    }
    return set;
}

// The number of points of each polyline of a series, in the chart's order.
std::vector<std::size_t> PointsPerLine(const std::string& svg, const std::string& series) {
    const std::regex line("<polyline id=\"" + series + "(-run-[0-9]+)?\"[^>]* points=\"([^\"]*)\"");
    std::vector<std::size_t> points;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), line); it != std::sregex_iterator(); ++it) {
        const std::string list = (*it)[2];
        points.push_back(list.empty() ? 0 : 1 + std::count(list.begin(), list.end(), ' '));
    }
    return points;
}

// A line breaks only where two measurements lie more than gapSeconds apart;
// every measurement keeps its marker.
TEST(ThermometryChart, GapsBreakTheLines) {
    const struct {
        std::vector<int32_t> seconds;
        double gapSeconds;
        std::vector<std::size_t> points;  // per line
    } cases[] = {
        {{0, 1, 2, 10, 11}, 0, {5}},        // no gaps asked for
        {{0, 1, 2, 10, 11}, 5, {3, 2}},     // one gap
        {{0, 1, 2, 10, 11}, 7.9, {3, 2}},   // 8 s apart, a little more than the gap
        {{0, 1, 2, 10, 11}, 8, {5}},        // exactly the gap apart: no gap
        {{0, 1, 5, 6, 20}, 3, {2, 2, 1}},   // a run of one measurement
        {{0, 2, 2, 2, 4}, 1.5, {1, 3, 1}},  // the camera's clock, not the spread of a second's rows
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "gap " << c.gapSeconds << " s");
        ChartNotes notes;
        notes.gapSeconds = c.gapSeconds;
        const std::string svg = ThermometryChartSvg({ReadAt(c.seconds)}, "title", notes);
        EXPECT_EQ(PointsPerLine(svg, "series-1-point"), c.points);
        const std::regex markers("<g id=\"series-1-point-markers\">\n((<circle [^\n]*\n)*)</g>");
        std::smatch found;
        ASSERT_TRUE(std::regex_search(svg, found, markers));
        const std::string circles = found[1];
        EXPECT_EQ(std::count(circles.begin(), circles.end(), '\n'), 5);
    }
}

}  // namespace
}  // namespace orvane_cli
