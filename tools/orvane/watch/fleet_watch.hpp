// The round that watches every camera of a command: each call polls the
// cameras not busy with a job, and hands what needs a login or a restart to a
// few worker threads, so that a slow or unreachable camera holds up one
// worker, never the others' polls. thermo record runs a round per interval on
// its own thread; serve on a thread of the service.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "watch/camera_watch.hpp"
#include "watch/login_pace.hpp"
#include "watch/login_workers.hpp"

namespace orvane_cli {

class FleetWatch {
public:
    // A camera's view, by its index, when a worker finished its job.
    using Publish = std::function<void(std::size_t camera, CameraView view)>;
    // The most workers: enough for many cameras' logins at once; more only cost threads.
    static constexpr std::size_t kMostWorkers = 8;

    FleetWatch(std::vector<std::unique_ptr<CameraWatch>>& cameras, const WatchSettings& settings,
               Publish publish);
    ~FleetWatch() { StopJobs(); }

    // One round: the views of the cameras polled (by index), in order.
    std::vector<std::pair<std::size_t, CameraView>> PollOnce();
    // Drops the jobs not yet begun and waits for those running; the cameras
    // are then the caller's to end.
    void StopJobs() { workers_.Stop(); }

    // The watch's clock, and the host's.
    Milliseconds Now() const {
        return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - started_);
    }
    static double UnixNow();

private:
    std::vector<std::unique_ptr<CameraWatch>>& cameras_;
    const WatchSettings& settings_;
    Publish publish_;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    LoginPace pace_;
    LoginWorkers workers_;
};

}  // namespace orvane_cli
