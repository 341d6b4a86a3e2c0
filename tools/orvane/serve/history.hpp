// The recent readings of every rule, one sample per poll, for the live page:
// a ring per camera, channel and rule, allocated whole when the rule first
// shows up, so that memory stays flat however long the service runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "library/measurement.hpp"

namespace orvane_cli::serve {

// One poll's reading of a rule; NaN where the rule's type has no such value,
// and NaN in all four where the rule had no current reading (a gap).
struct HistorySample {
    double time = 0;  // the host's clock, Unix seconds
    float max = 0, min = 0, avg = 0, point = 0;
};

class HistoryRing {
public:
    explicit HistoryRing(std::size_t capacity) : samples_(capacity) {}
    // The same samples in a ring of `capacity`: the newest that fit.
    HistoryRing Resized(std::size_t capacity) const;
    void Add(const HistorySample& sample);
    std::size_t size() const { return count_; }
    std::size_t capacity() const { return samples_.size(); }
    // The i-th sample kept, oldest first.
    const HistorySample& at(std::size_t i) const;
    // Every sample kept, oldest first, in place of what `out` held.
    void CopyTo(std::vector<HistorySample>& out) const;

private:
    std::vector<HistorySample> samples_;
    std::size_t next_ = 0;
    std::size_t count_ = 0;
};

// What a client asks of the history: by default every series over the whole
// window; a page that holds some of it asks for one camera, or only for the
// samples after the last it has.
struct HistoryQuery {
    std::optional<std::string> camera;
    std::optional<double> since;  // samples taken after this time only

    bool whole() const { return !camera && !since; }
};

class History {
public:
    static constexpr double kSeconds = 600;
    // Room for kSeconds of samples at `intervalSeconds` (bounded for very short intervals).
    explicit History(double intervalSeconds);

    // The polling interval changed: each ring gets the room for kSeconds at
    // the new one, keeping its newest samples that fit.
    void SetInterval(double intervalSeconds);
    // Drops every series whose key `keep` refuses (its camera's channel gone).
    template <typename Predicate>
    void Keep(Predicate keep) {
        std::erase_if(series_, [&](const auto& entry) { return !keep(entry.first); });
    }

    void Add(const std::string& camera, int32_t channel, const Measurement& m, double time);
    // Marks that the rule had no current reading at `time` (a sample of NaN
    // only, once per gap), so that a chart breaks its line there.
    void AddGap(const std::string& camera, int32_t channel, int32_t rule, double time);

    struct Series {
        int32_t type = 0;
        HistoryRing ring;
    };
    using Key = std::tuple<std::string, int32_t, int32_t>;  // camera, channel, rule
    const std::map<Key, Series>& series() const { return series_; }
    std::size_t capacity() const { return capacity_; }
    // The window the rings really cover: kSeconds, or less where the
    // interval is so short that the rings fill sooner.
    double coveredSeconds() const { return coveredSeconds_; }

private:
    std::size_t capacity_ = 0;
    double coveredSeconds_ = 0;
    std::map<Key, Series> series_;
};

}  // namespace orvane_cli::serve
