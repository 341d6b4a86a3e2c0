#include "serve/history.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orvane_cli::serve {

void HistoryRing::Add(const HistorySample& sample) {
    if (samples_.empty()) return;
    samples_[next_] = sample;
    next_ = (next_ + 1) % samples_.size();
    count_ = std::min(count_ + 1, samples_.size());
}

void HistoryRing::CopyTo(std::vector<HistorySample>& out) const {
    out.clear();
    if (count_ == 0) return;
    const std::size_t oldest = (next_ + samples_.size() - count_) % samples_.size();
    const std::size_t firstRun = std::min(count_, samples_.size() - oldest);
    out.insert(out.end(), samples_.begin() + static_cast<std::ptrdiff_t>(oldest),
               samples_.begin() + static_cast<std::ptrdiff_t>(oldest + firstRun));
    out.insert(out.end(), samples_.begin(),
               samples_.begin() + static_cast<std::ptrdiff_t>(count_ - firstRun));
}

const HistorySample& HistoryRing::at(std::size_t i) const {
    const std::size_t oldest = (next_ + samples_.size() - count_) % samples_.size();
    return samples_[(oldest + i) % samples_.size()];
}

HistoryRing HistoryRing::Resized(std::size_t capacity) const {
    HistoryRing resized(capacity);
    const std::size_t skipped = count_ > capacity ? count_ - capacity : 0;
    for (std::size_t i = skipped; i < count_; ++i) resized.Add(at(i));
    return resized;
}

History::History(double intervalSeconds) { SetInterval(intervalSeconds); }

void History::SetInterval(double intervalSeconds) {
    // A sample per poll over kSeconds, one spare; a poll every few milliseconds
    // would otherwise ask for rings of millions.
    constexpr double kMostSamples = 6000;
    const double interval = std::max(intervalSeconds, 0.001);
    const double wanted = std::ceil(kSeconds / interval) + 1;
    capacity_ = static_cast<std::size_t>(std::min(wanted, kMostSamples));
    // n samples a poll apart span n - 1 intervals.
    coveredSeconds_ = std::min(kSeconds, static_cast<double>(capacity_ - 1) * interval);
    for (auto& [key, series] : series_) {
        if (series.ring.capacity() != capacity_) series.ring = series.ring.Resized(capacity_);
    }
}

void History::Add(const std::string& camera, int32_t channel, const Measurement& m, double time) {
    auto found = series_.find(Key{camera, channel, m.rule});
    if (found == series_.end()) {
        found = series_.emplace(Key{camera, channel, m.rule}, Series{m.type, HistoryRing(capacity_)}).first;
    }
    found->second.type = m.type;
    constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
    HistorySample sample{time, kNone, kNone, kNone, kNone};
    if (m.IsPoint()) {
        sample.point = m.point;
    } else {
        sample.max = m.max, sample.min = m.min, sample.avg = m.avg;
    }
    found->second.ring.Add(sample);
}

void History::AddGap(const std::string& camera, int32_t channel, int32_t rule, double time) {
    const auto found = series_.find(Key{camera, channel, rule});
    if (found == series_.end() || found->second.ring.size() == 0) return;
    HistoryRing& ring = found->second.ring;
    const HistorySample& last = ring.at(ring.size() - 1);
    if (std::isnan(last.max) && std::isnan(last.min) && std::isnan(last.avg) && std::isnan(last.point))
        return;
    constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
    ring.Add(HistorySample{time, kNone, kNone, kNone, kNone});
}

}  // namespace orvane_cli::serve
