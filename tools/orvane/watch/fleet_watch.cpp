#include "watch/fleet_watch.hpp"

#include <algorithm>

namespace orvane_cli {

FleetWatch::FleetWatch(const std::vector<std::shared_ptr<CameraWatch>>& cameras,
                       const WatchSettings& settings, Publish publish)
    : settings_(settings),
      publish_(std::move(publish)),
      workers_(std::max<std::size_t>(1, std::min(cameras.size(), kMostWorkers))) {
    for (std::size_t i = 0; i < cameras.size(); ++i) cameras_.push_back({i, cameras[i]});
}

double FleetWatch::UnixNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

void FleetWatch::Add(std::size_t key, std::shared_ptr<CameraWatch> camera) {
    cameras_.push_back({key, std::move(camera)});
    workers_.Grow(std::min(cameras_.size(), kMostWorkers));
}

void FleetWatch::Remove(std::size_t key, End end) {
    const auto found =
        std::find_if(cameras_.begin(), cameras_.end(), [key](const Watched& w) { return w.key == key; });
    if (found == cameras_.end()) return;
    leaving_.push_back({std::move(found->camera), std::move(end)});
    cameras_.erase(found);
}

void FleetWatch::EndLeaving() {
    std::erase_if(leaving_, [](const Leaving& l) {
        return l.handed && !l.camera->busy.load(std::memory_order_acquire);
    });
    for (Leaving& leaving : leaving_) {
        // A job of its own still running: its end comes after it.
        if (leaving.handed || leaving.camera->busy.load(std::memory_order_acquire)) continue;
        leaving.handed = true;
        leaving.camera->busy.store(true, std::memory_order_relaxed);
        workers_.Run([camera = leaving.camera, end = leaving.end] {
            end(*camera);
            camera->busy.store(false, std::memory_order_release);
        });
    }
}

bool FleetWatch::IsLeaving(const std::string& address) const {
    return std::any_of(leaving_.begin(), leaving_.end(),
                       [&address](const Leaving& l) { return l.camera->address() == address; });
}

void FleetWatch::RefreshPasswords() {
    // Many cameras share a password: each file is read once a round.
    std::vector<PasswordSource*> sources;
    for (const Watched& watched : cameras_) sources.push_back(&watched.camera->password());
    std::sort(sources.begin(), sources.end());
    sources.erase(std::unique(sources.begin(), sources.end()), sources.end());
    for (PasswordSource* source : sources) source->Refresh();
}

std::vector<std::pair<std::size_t, CameraView>> FleetWatch::PollOnce() {
    RefreshPasswords();
    EndLeaving();
    std::vector<std::pair<std::size_t, CameraView>> views;
    for (const auto& [key, shared] : cameras_) {
        CameraWatch& camera = *shared;
        if (camera.busy.load(std::memory_order_acquire)) continue;
        if (!leaving_.empty() && IsLeaving(camera.address())) continue;
        const CameraJob job = camera.Poll(Now());
        if (job == CameraJob::kNone) {
            views.emplace_back(key, camera.View(Now(), UnixNow()));
            continue;
        }
        // The worker publishes the camera when done: a view of this round,
        // published after it, would take its counters back.
        camera.busy.store(true, std::memory_order_relaxed);
        workers_.Run([this, key = key, worked = shared, job] {
            if (job == CameraJob::kLogIn) {
                pace_.Wait();
                worked->LogInAndSubscribe(Now());
            } else {
                worked->RestartMarked(Now());
            }
            publish_(key, worked->View(Now(), UnixNow()));
            worked->busy.store(false, std::memory_order_release);
        });
    }
    return views;
}

std::vector<std::shared_ptr<CameraWatch>> FleetWatch::Held() const {
    std::vector<std::shared_ptr<CameraWatch>> held;
    for (const Watched& watched : cameras_) held.push_back(watched.camera);
    for (const Leaving& leaving : leaving_) held.push_back(leaving.camera);
    return held;
}

}  // namespace orvane_cli
