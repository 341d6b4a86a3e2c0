#include "serve/state_store.hpp"

namespace orvane_cli::serve {

StateStore::StateStore(ServiceSnapshot initial)
    : state_(std::move(initial)), history_(state_.intervalSeconds) {}

void StateStore::PublishCamera(std::size_t camera, CameraView view) {
    const std::lock_guard lock(mutex_);
    state_.cameras.at(camera) = std::move(view);
}

void StateStore::PublishPoll(std::vector<std::pair<std::size_t, CameraView>> views, double time,
                             double seconds) {
    const std::lock_guard lock(mutex_);
    for (auto& [camera, view] : views) {
        for (const ChannelView& channel : view.channels) {
            for (const RuleView& rule : channel.rules) {
                // A stale reading is no sample: the history shows a gap instead.
                if (rule.current) {
                    history_.Add(view.camera, channel.channel, rule.reading, time);
                } else {
                    history_.AddGap(view.camera, channel.channel, rule.reading.rule, time);
                }
            }
        }
        state_.cameras.at(camera) = std::move(view);
    }
    state_.pollDurationSeconds = seconds;
}

ServiceSnapshot StateStore::Snapshot(double time) const {
    const std::lock_guard lock(mutex_);
    ServiceSnapshot copy = state_;
    copy.time = time;
    return copy;
}

std::string StateStore::RenderHistory(const std::function<std::string(const History&)>& render) const {
    const std::lock_guard lock(mutex_);
    return render(history_);
}

}  // namespace orvane_cli::serve
