#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "record/alarm_watch.hpp"

namespace orvane_cli {
namespace {

// Each crossing of a threshold fires once; coming back re-arms it. A reading
// that is not a number neither fires nor re-arms. A point rule's one reading
// is both its max and its min (its region fields stay zero).
TEST(AlarmWatch, FiresOncePerCrossingAndReArms) {
    const float nan = std::nanf("");
    const struct {
        const char* what;
        int32_t type;
        std::vector<float> maxima, minima;
        int fired;
    } cases[] = {
        {"above, below, above again", 2, {35, 41, 42, 39, 41}, {25, 25, 25, 25, 25}, 2},
        {"below, above, below again", 2, {35, 35, 35, 35, 35}, {25, 19, 18, 21, 19}, 2},
        {"on the threshold is not over it", 2, {40, 40, 41}, {20, 20, 20}, 1},
        {"not a number between two highs", 2, {41, nan, 41}, {25, 25, 25}, 1},
        {"both at once", 2, {41, 35, 41}, {19, 25, 19}, 4},
        {"a point above, below, above again", kPointRule, {41, 19, 30, 41}, {}, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AlarmWatch watch(40.0, 20.0);
        int lines = 0;
        for (std::size_t i = 0; i < c.maxima.size(); ++i) {
            Measurement m{.date = 20261207, .time = 120000, .type = c.type};
            if (c.type == kPointRule) {
                m.point = c.maxima[i];
            } else {
                m.max = c.maxima[i], m.min = c.minima[i], m.avg = 30;
            }
            lines += static_cast<int>(watch.Check(m).size());
        }
        EXPECT_EQ(lines, c.fired);
        EXPECT_EQ(watch.fired(), c.fired);
    }
}

}  // namespace
}  // namespace orvane_cli
