// Where a chart's labels go: inside the plot, none over another or over a
// peak's marker, no peak's leader line (from the peak to its label) through
// another label, each label as near its point as it can be.
#pragma once

#include <vector>

namespace orvane_cli {

inline constexpr double kLabelHeight = 16;

struct Box {
    double x, y, width, height;
    bool Overlaps(const Box& o) const {
        return x < o.x + o.width && o.x < x + width && y < o.y + o.height && o.y < y + height;
    }
    bool Inside(const Box& o) const {
        return x >= o.x && y >= o.y && x + width <= o.x + o.width && y + height <= o.y + o.height;
    }
};

struct Segment {
    double x1, y1, x2, y2;
    // Whether it passes through the inside of `box` (touching an edge does not count).
    bool Crosses(const Box& box) const;
};

// A peak's leader line: from the peak to the nearest point of its label's box.
Segment LeaderTo(double px, double py, const Box& box);

// A label wanted about a point, `width` wide.
struct LabelAt {
    double x, y, width;
};

class LabelLayout {
public:
    explicit LabelLayout(Box plot) : plot_(plot) {}

    // Keeps every label clear of `box` (a peak's marker).
    void Reserve(const Box& box) { reserved_.push_back(box); }
    // A label without a leader line (a threshold's, beside its line).
    Box Place(const LabelAt& label);
    // The peaks' labels, in their order, each with a leader line from its peak.
    // Placed one by one, an early label can leave a later one no place its
    // leader reaches without crossing a label: the one that found none is then
    // placed first and the others again, and if no order serves, each label
    // goes beside its peak before above or below it (so that labels of close
    // peaks fan out to one side). If neither serves, the places of all labels
    // are tried together until all fit, none across another's leader line.
    // Only in a plot too crowded for that (no arrangement found, or none within
    // about a tenth of a second) may a leader cross a label or labels overlap.
    std::vector<Box> PlacePeaks(const std::vector<LabelAt>& peaks);

private:
    enum class Leader { kNone, kClear, kMayCross };
    // Where a label is looked for: step by step further from its point, above,
    // below and beside it at each step; or beside it at every distance first.
    enum class Side { kAboveOrBelow, kBeside };
    bool Free(const Box& box, const LabelAt& label, Leader leader) const;
    // Every place looked at for a label, nearest first, free or not.
    std::vector<Box> Positions(const LabelAt& label, Side side) const;
    bool Find(const LabelAt& label, Leader leader, Side side, Box& found) const;
    bool Arrange(const std::vector<LabelAt>& peaks, std::vector<Box>& boxes);
    Box Keep(const Box& box, const LabelAt& label, Leader leader);
    Box PlaceAnyhow(const LabelAt& label, Leader leader);

    Box plot_;
    std::vector<Box> reserved_, labels_;
    std::vector<Segment> leaders_;
};

}  // namespace orvane_cli
