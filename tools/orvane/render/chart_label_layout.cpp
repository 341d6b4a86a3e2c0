#include "render/chart_label_layout.hpp"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <numeric>
#include <optional>
#include <set>
#include <utility>

namespace orvane_cli {
namespace {

// A peak's label where it might go, with the leader line to it.
struct Spot {
    Box box;
    Segment leader;
};
using Spots = std::vector<Spot>;

// Whether two peaks' labels can be drawn together: apart, and neither's leader through the other.
bool Fit(const Spot& a, const Spot& b) {
    return !a.box.Overlaps(b.box) && !a.leader.Crosses(b.box) && !b.leader.Crosses(a.box);
}

// Gives each peak without a place one of its `left` places, all fitting
// together and with `chosen`: the peak with fewest places left first, each
// place narrowing the others' (so that a dead end shows at once). False when
// none serves or `budget` checks are spent.
bool Choose(std::vector<Spots> left, std::vector<std::optional<Spot>>& chosen, int64_t& budget) {
    std::optional<std::size_t> next;
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (!chosen[i] && (!next || left[i].size() < left[*next].size())) next = i;
    }
    if (!next) return true;
    for (const Spot& spot : left[*next]) {
        std::vector<Spots> narrowed(left.size());
        bool open = true;
        for (std::size_t j = 0; open && j < left.size(); ++j) {
            if (chosen[j] || j == *next) continue;
            budget -= static_cast<int64_t>(left[j].size());
            std::copy_if(left[j].begin(), left[j].end(), std::back_inserter(narrowed[j]),
                         [&](const Spot& other) { return Fit(spot, other); });
            open = !narrowed[j].empty();
        }
        if (budget < 0) return false;
        if (!open) continue;
        chosen[*next] = spot;
        if (Choose(std::move(narrowed), chosen, budget)) return true;
        chosen[*next].reset();
        if (budget < 0) return false;
    }
    return false;
}

}  // namespace

bool Segment::Crosses(const Box& box) const {
    // Clipped against each of the box's sides in turn (Liang-Barsky): what is
    // left of the segment lies inside the box.
    const double dx = x2 - x1, dy = y2 - y1;
    const double towards[] = {-dx, dx, -dy, dy};
    const double room[] = {x1 - box.x, box.x + box.width - x1, y1 - box.y, box.y + box.height - y1};
    double enter = 0, leave = 1;
    for (int side = 0; side < 4; ++side) {
        if (towards[side] == 0) {
            if (room[side] <= 0) return false;  // parallel to this side, outside it
        } else if (towards[side] < 0) {
            enter = std::max(enter, room[side] / towards[side]);
        } else {
            leave = std::min(leave, room[side] / towards[side]);
        }
    }
    return enter < leave;
}

Segment LeaderTo(double px, double py, const Box& box) {
    return {px, py, std::clamp(px, box.x, box.x + box.width), std::clamp(py, box.y, box.y + box.height)};
}

Box LabelLayout::Place(const LabelAt& label) { return PlaceAnyhow(label, Leader::kNone); }

std::vector<Box> LabelLayout::PlacePeaks(const std::vector<LabelAt>& peaks) {
    std::vector<std::size_t> order(peaks.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<Box> boxes(peaks.size());
    for (const Side side : {Side::kAboveOrBelow, Side::kBeside}) {
        for (std::size_t attempt = 0; attempt <= peaks.size(); ++attempt) {
            LabelLayout trial = *this;
            std::optional<std::size_t> stuck;
            for (const std::size_t i : order) {
                Box box{};
                if (!trial.Find(peaks[i], Leader::kClear, side, box)) {
                    stuck = i;
                    break;
                }
                boxes[i] = trial.Keep(box, peaks[i], Leader::kClear);
            }
            if (!stuck) {
                *this = std::move(trial);
                return boxes;
            }
            order.erase(std::find(order.begin(), order.end(), *stuck));
            order.insert(order.begin(), *stuck);
        }
    }
    if (Arrange(peaks, boxes)) return boxes;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        Box box{};
        boxes[i] = Find(peaks[i], Leader::kClear, Side::kAboveOrBelow, box)
                       ? Keep(box, peaks[i], Leader::kClear)
                       : PlaceAnyhow(peaks[i], Leader::kMayCross);
    }
    return boxes;
}

bool LabelLayout::Arrange(const std::vector<LabelAt>& peaks, std::vector<Box>& boxes) {
    // About a tenth of a second's checks: a plot that crowded gets its labels anyhow.
    constexpr int64_t kBudget = 4'000'000;
    std::vector<Spots> left(peaks.size());
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        std::set<std::pair<double, double>> seen;
        for (const Box& box : Positions(peaks[i], Side::kAboveOrBelow)) {
            if (seen.emplace(box.x, box.y).second && Free(box, peaks[i], Leader::kClear))
                left[i].push_back({box, LeaderTo(peaks[i].x, peaks[i].y, box)});
        }
    }
    std::vector<std::optional<Spot>> chosen(peaks.size());
    int64_t budget = kBudget;
    if (!Choose(std::move(left), chosen, budget)) return false;
    for (std::size_t i = 0; i < peaks.size(); ++i) boxes[i] = Keep(chosen[i]->box, peaks[i], Leader::kClear);
    return true;
}

bool LabelLayout::Free(const Box& box, const LabelAt& label, Leader leader) const {
    if (!box.Inside({plot_.x + 1, plot_.y + 1, plot_.width - 2, plot_.height - 2})) return false;
    const auto overlaps = [&](const Box& b) { return b.Overlaps(box); };
    if (std::any_of(labels_.begin(), labels_.end(), overlaps) ||
        std::any_of(reserved_.begin(), reserved_.end(), overlaps) ||
        std::any_of(leaders_.begin(), leaders_.end(), [&](const Segment& l) { return l.Crosses(box); })) {
        return false;
    }
    if (leader != Leader::kClear) return true;
    const Segment line = LeaderTo(label.x, label.y, box);
    return std::none_of(labels_.begin(), labels_.end(), [&](const Box& b) { return line.Crosses(b); });
}

std::vector<Box> LabelLayout::Positions(const LabelAt& label, Side side) const {
    const double h = kLabelHeight, width = label.width, px = label.x, py = label.y;
    // Step by step further from the point: above and below it, and beside it
    // (a step higher and lower each time); or beside it first.
    std::vector<Box> tried, triedLater;
    auto& aboveOrBelow = side == Side::kBeside ? triedLater : tried;
    for (int step = 0; step < 40; ++step) {
        const double higher = py - h / 2 - step * h, lower = py - h / 2 + step * h;
        aboveOrBelow.push_back({px - width / 2, py - 10 - h - step * h, width, h});
        aboveOrBelow.push_back({px - width / 2, py + 10 + step * h, width, h});
        tried.push_back({px + 10, higher, width, h});
        tried.push_back({px - 10 - width, higher, width, h});
        tried.push_back({px + 10, lower, width, h});
        tried.push_back({px - 10 - width, lower, width, h});
    }
    tried.insert(tried.end(), triedLater.begin(), triedLater.end());
    for (Box& box : tried) box.x = std::clamp(box.x, plot_.x + 2, plot_.x + plot_.width - 2 - box.width);
    // Then anywhere in the plot, scanning from its top left.
    for (double y = plot_.y + 2; y + h <= plot_.y + plot_.height - 2; y += h / 2) {
        for (double x = plot_.x + 2; x + width <= plot_.x + plot_.width - 2; x += 10)
            tried.push_back({x, y, width, h});
    }
    return tried;
}

bool LabelLayout::Find(const LabelAt& label, Leader leader, Side side, Box& found) const {
    for (const Box& box : Positions(label, side)) {
        if (Free(box, label, leader)) {
            found = box;
            return true;
        }
    }
    return false;
}

Box LabelLayout::Keep(const Box& box, const LabelAt& label, Leader leader) {
    labels_.push_back(box);
    if (leader != Leader::kNone) leaders_.push_back(LeaderTo(label.x, label.y, box));
    return box;
}

Box LabelLayout::PlaceAnyhow(const LabelAt& label, Leader leader) {
    Box box{};
    if (!Find(label, leader, Side::kAboveOrBelow, box))
        box = {plot_.x + 2, plot_.y + 2, label.width, kLabelHeight};
    return Keep(box, label, leader);
}

}  // namespace orvane_cli
