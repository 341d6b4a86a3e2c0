#include "render/chart_label_layout.hpp"

#include <algorithm>
#include <iterator>
#include <numeric>
#include <optional>

namespace orvane_cli {

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
    for (std::size_t i = 0; i < peaks.size(); ++i) {
        Box box{};
        boxes[i] = Find(peaks[i], Leader::kClear, Side::kAboveOrBelow, box)
                       ? Keep(box, peaks[i], Leader::kClear)
                       : PlaceAnyhow(peaks[i], Leader::kMayCross);
    }
    return boxes;
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

bool LabelLayout::Find(const LabelAt& label, Leader leader, Side side, Box& found) const {
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
    for (Box box : tried) {
        box.x = std::clamp(box.x, plot_.x + 2, plot_.x + plot_.width - 2 - box.width);
        if (Free(box, label, leader)) {
            found = box;
            return true;
        }
    }
    // Anywhere free in the plot, scanning from its top left.
    for (double y = plot_.y + 2; y + h <= plot_.y + plot_.height - 2; y += h / 2) {
        for (double x = plot_.x + 2; x + width <= plot_.x + plot_.width - 2; x += 10) {
            if (Free({x, y, width, h}, label, leader)) {
                found = {x, y, width, h};
                return true;
            }
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
