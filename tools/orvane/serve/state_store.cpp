#include "serve/state_store.hpp"

#include <cmath>
#include <set>

#include "serve/history_json.hpp"

namespace orvane_cli::serve {

StateStore::StateStore(ServiceSnapshot initial)
    : state_(std::move(initial)), history_(state_.intervalSeconds) {}

std::optional<std::size_t> StateStore::IndexOf(std::size_t key) const {
    const auto found = indexes_.find(key);
    if (found == indexes_.end()) return std::nullopt;
    return found->second;
}

void StateStore::SetCameras(const std::vector<std::pair<std::size_t, CameraView>>& cameras) {
    std::set<std::pair<std::string, int32_t>> watched;  // camera, channel
    {
        const std::lock_guard lock(stateMutex_);
        std::vector<CameraView> views;
        std::unordered_map<std::size_t, std::size_t> indexes;
        for (const auto& [key, view] : cameras) {
            const auto known = IndexOf(key);
            indexes.emplace(key, views.size());
            views.push_back(known ? std::move(state_.cameras[*known]) : view);
            for (const ChannelView& channel : views.back().channels)
                watched.emplace(views.back().camera, channel.channel);
        }
        state_.cameras = std::move(views);
        indexes_ = std::move(indexes);
    }
    const std::lock_guard lock(historyMutex_);
    history_.Keep([&](const History::Key& key) {
        return watched.count({std::get<0>(key), std::get<1>(key)}) != 0;
    });
}

void StateStore::SetSettings(std::shared_ptr<const AlarmLimits> alarms, double intervalSeconds) {
    {
        const std::lock_guard lock(stateMutex_);
        state_.alarms = std::move(alarms);
        state_.intervalSeconds = intervalSeconds;
    }
    const std::lock_guard lock(historyMutex_);
    history_.SetInterval(intervalSeconds);
}

void StateStore::SetConfigStatus(const ConfigStatus& status) {
    const std::lock_guard lock(stateMutex_);
    state_.config = status;
}

void StateStore::PublishCamera(std::size_t camera, CameraView view) {
    const std::lock_guard lock(stateMutex_);
    if (const auto index = IndexOf(camera)) state_.cameras[*index] = std::move(view);
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
        for (auto& [camera, view] : views) {
            if (const auto index = IndexOf(camera)) state_.cameras[*index] = std::move(view);
        }
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
    // The series chosen by key, each copied under the lock and written outside
    // it; one dropped meanwhile (its camera gone) is left out.
    std::vector<History::Key> chosen;
    double covered = 0;
    {
        const std::lock_guard lock(historyMutex_);
        for (const auto& [key, series] : history_.series()) {
            if (!query.camera || std::get<0>(key) == *query.camera) chosen.push_back(key);
        }
        covered = history_.coveredSeconds();
    }
    HistoryJsonWriter writer(covered, now, query.since);
    std::vector<HistorySample> samples;
    for (const History::Key& key : chosen) {
        int32_t type = 0;
        {
            const std::lock_guard lock(historyMutex_);
            const auto found = history_.series().find(key);
            if (found == history_.series().end()) continue;
            found->second.ring.CopyTo(samples);
            type = found->second.type;
        }
        const auto& [camera, channel, rule] = key;
        writer.Series(camera, channel, rule, type, samples);
    }
    return std::make_shared<const std::string>(writer.Finish());
}

}  // namespace orvane_cli::serve
