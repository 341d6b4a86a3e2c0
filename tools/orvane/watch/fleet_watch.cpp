#include "watch/fleet_watch.hpp"

#include <algorithm>

namespace orvane_cli {

FleetWatch::FleetWatch(std::vector<std::unique_ptr<CameraWatch>>& cameras, const WatchSettings& settings,
                       Publish publish)
    : cameras_(cameras),
      settings_(settings),
      publish_(std::move(publish)),
      workers_(std::max<std::size_t>(1, std::min(cameras.size(), kMostWorkers))) {}

double FleetWatch::UnixNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::vector<std::pair<std::size_t, CameraView>> FleetWatch::PollOnce() {
    settings_.password.Refresh();
    std::vector<std::pair<std::size_t, CameraView>> views;
    for (std::size_t i = 0; i < cameras_.size(); ++i) {
        CameraWatch& camera = *cameras_[i];
        if (camera.busy.load(std::memory_order_acquire)) continue;
        const CameraJob job = camera.Poll(Now());
        if (job == CameraJob::kNone) {
            views.emplace_back(i, camera.View(Now(), UnixNow()));
            continue;
        }
        // The worker publishes the camera when done: a view of this round,
        // published after it, would take its counters back.
        camera.busy.store(true, std::memory_order_relaxed);
        workers_.Run([this, i, job] {
            CameraWatch& worked = *cameras_[i];
            if (job == CameraJob::kLogIn) {
                pace_.Wait();
                worked.LogInAndSubscribe(Now());
            } else {
                worked.RestartMarked(Now());
            }
            publish_(i, worked.View(Now(), UnixNow()));
            worked.busy.store(false, std::memory_order_release);
        });
    }
    return views;
}

}  // namespace orvane_cli
