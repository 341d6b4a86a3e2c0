#include "serve/state_store.hpp"

#include <cmath>

#include "serve/history_json.hpp"

namespace orvane_cli::serve {

StateStore::StateStore(ServiceSnapshot initial)
    : state_(std::move(initial)), history_(state_.intervalSeconds) {}

void StateStore::PublishCamera(std::size_t camera, CameraView view) {
    const std::lock_guard lock(stateMutex_);
    state_.cameras.at(camera) = std::move(view);
}

bool StateStore::PublishPoll(std::vector<std::pair<std::size_t, CameraView>> views, double time,
                             std::chrono::steady_clock::time_point began) {
    // Kept to the millisecond the document shows, so that a client's `since`
    // (the last time it was sent) matches the sample exactly.
    const double sampleTime = std::round(time * 1000) / 1000;
    {
        const std::lock_guard lock(historyMutex_);
        for (const auto& [camera, view] : views) {
            for (const ChannelView& channel : view.channels) {
                for (const RuleView& rule : channel.rules) {
                    // A stale reading is no sample: the history shows a gap instead.
                    if (rule.current) {
                        history_.Add(view.camera, channel.channel, rule.reading, sampleTime);
                    } else {
                        history_.AddGap(view.camera, channel.channel, rule.reading.rule, sampleTime);
                    }
                }
            }
        }
        ++polls_;
    }
    {
        const std::lock_guard lock(stateMutex_);
        for (auto& [camera, view] : views) state_.cameras.at(camera) = std::move(view);
        state_.pollDurations.Observe(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    }
    std::shared_ptr<const std::string> previous;
    {
        const std::lock_guard lock(wholeMutex_);
        previous = std::move(whole_);
    }
    constexpr std::size_t kLarge = std::size_t{8} << 20;
    // Freed here, unless an answer still being written holds it (the server hands it back then).
    return previous && previous.use_count() == 1 && previous->size() >= kLarge;
}

ServiceSnapshot StateStore::Snapshot(double time) const {
    const std::lock_guard lock(stateMutex_);
    ServiceSnapshot copy = state_;
    copy.time = time;
    return copy;
}

std::shared_ptr<const std::string> StateStore::HistoryDocument(const HistoryQuery& query, double now) const {
    if (!query.whole()) return BuildHistory(query, now);
    const std::lock_guard building(buildMutex_);
    uint64_t poll = 0;
    {
        const std::lock_guard lock(historyMutex_);
        poll = polls_;
    }
    {
        const std::lock_guard lock(wholeMutex_);
        if (whole_ && wholeOfPoll_ == poll) return whole_;
    }
    auto built = BuildHistory(query, now);
    const std::lock_guard lock(wholeMutex_);
    whole_ = built;
    wholeOfPoll_ = poll;
    return built;
}

std::shared_ptr<const std::string> StateStore::BuildHistory(const HistoryQuery& query, double now) const {
    // The series are never removed, so pointers to them stay good; each is
    // copied under the lock and written outside it.
    std::vector<std::pair<const History::Key*, const History::Series*>> chosen;
    {
        const std::lock_guard lock(historyMutex_);
        for (const auto& [key, series] : history_.series()) {
            if (!query.camera || std::get<0>(key) == *query.camera) chosen.emplace_back(&key, &series);
        }
    }
    HistoryJsonWriter writer(history_.coveredSeconds(), now, query.since);
    std::vector<HistorySample> samples;
    for (const auto& [key, series] : chosen) {
        int32_t type = 0;
        {
            const std::lock_guard lock(historyMutex_);
            series->ring.CopyTo(samples);
            type = series->type;
        }
        const auto& [camera, channel, rule] = *key;
        writer.Series(camera, channel, rule, type, samples);
    }
    return std::make_shared<const std::string>(writer.Finish());
}

}  // namespace orvane_cli::serve
