#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "svg_chart.hpp"

namespace orvane_cli {
namespace {

struct Box {
    double x, y, w, h;
};

std::vector<Box> BoxesOf(const std::string& svg, const std::string& cls) {
    const std::regex box(
        cls +
        "\" id=\"[^\"]*\" x=\"([-0-9.]+)\" y=\"([-0-9.]+)\" width=\"([-0-9.]+)\" height=\"([-0-9.]+)\"");
    std::vector<Box> boxes;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), box); it != std::sregex_iterator(); ++it) {
        boxes.push_back({std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), std::stod((*it)[4])});
    }
    return boxes;
}

// Sets whose peaks coincide, thresholds through them and plots crowded with
// labels: every label still lies inside the plot, clear of every other.
TEST(ThermometryChart, LabelsStayInsideThePlotAndApart) {
    const auto rows = [](int32_t type, float peak, int count) {
        std::vector<Measurement> m;
        for (int i = 0; i < count; ++i) {
            const float v = i == count - 1 ? peak : peak - 5;
            m.push_back({.date = 20261207,
                         .time = 120000 + i,
                         .type = type,
                         .point = v,
                         .max = v,
                         .min = v - 10,
                         .avg = v - 5});
        }
        return m;
    };
    const struct {
        const char* what;
        std::vector<ChartSet> sets;
        ChartNotes notes;
    } cases[] = {
        {"four peaks on one spot at the plot's right edge",
         {{"a", false, rows(2, 40, 5)},
          {"b", false, rows(2, 40, 5)},
          {"c", true, rows(0, 40, 5)},
          {"d ch 1 rule 200 line", false, rows(2, 40, 5)}},
         {40.0, 30.0, ""}},
        {"one measurement", {{"a", true, rows(0, 25, 1)}}, {25.0, 25.0, "ended early: interrupted"}},
        {"six sets",
         std::vector<ChartSet>(6, ChartSet{"192.0.2.66 ch 1 rule 3 line", false, rows(1, 50, 3)}),
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string svg = ThermometryChartSvg(c.sets, "title", c.notes);
        const std::regex plotArea(
            "id=\"plot-area\" x=\"([0-9.]+)\" y=\"([0-9.]+)\" width=\"([0-9.]+)\" height=\"([0-9.]+)\"");
        std::smatch plot;
        ASSERT_TRUE(std::regex_search(svg, plot, plotArea));
        const Box p{std::stod(plot[1]), std::stod(plot[2]), std::stod(plot[3]), std::stod(plot[4])};
        const std::vector<Box> labels = BoxesOf(svg, "label-box");
        EXPECT_EQ(labels.size(),
                  c.sets.size() + c.notes.alarmAbove.has_value() + c.notes.alarmBelow.has_value());
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const Box& a = labels[i];
            EXPECT_TRUE(a.x >= p.x && a.y >= p.y && a.x + a.w <= p.x + p.w && a.y + a.h <= p.y + p.h) << i;
            for (std::size_t j = i + 1; j < labels.size(); ++j) {
                const Box& b = labels[j];
                EXPECT_TRUE(a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y || b.y + b.h <= a.y)
                    << i << " overlaps " << j;
            }
        }
    }
}

}  // namespace
}  // namespace orvane_cli
