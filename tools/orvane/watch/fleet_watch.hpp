// The round that watches every camera of a command: each call polls the
// cameras not busy with a job, and hands what needs a login or a restart to a
// few worker threads, so that a slow or unreachable camera holds up one
// worker, never the others' polls. thermo record runs a round per interval on
// its own thread; serve on a thread of the service.
//
// The cameras may change between rounds (serve reading its --config file
// again): each has a key of its owner's, never used twice, by which its views
// are published. A camera taken out is polled and published no more; once no
// job of its own runs, a worker ends it (its subscriptions and login), and a
// camera added with the same address waits for that end, so that a camera's
// old login is over before its new one begins.
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
    // A camera's view, by its key, when a worker finished its job.
    using Publish = std::function<void(std::size_t key, CameraView view)>;
    // Ends a camera taken out, on a worker.
    using End = std::function<void(CameraWatch& camera)>;
    // The most workers: enough for many cameras' logins at once; more only cost threads.
    static constexpr std::size_t kMostWorkers = 8;

    // `cameras` keyed by their index.
    FleetWatch(const std::vector<std::shared_ptr<CameraWatch>>& cameras, const WatchSettings& settings,
               Publish publish);
    ~FleetWatch() { StopJobs(); }

    // Adds and takes out cameras, between rounds (on the thread that runs them).
    void Add(std::size_t key, std::shared_ptr<CameraWatch> camera);
    void Remove(std::size_t key, End end);

    // One round: the views of the cameras polled (by key), in order.
    std::vector<std::pair<std::size_t, CameraView>> PollOnce();
    // Drops the jobs not yet begun and waits for those running; the cameras
    // are then the caller's to end.
    void StopJobs() { workers_.Stop(); }
    // After StopJobs: every camera still held, those taken out but not yet
    // ended included, for the caller to end.
    std::vector<std::shared_ptr<CameraWatch>> Held() const;

    // The watch's clock, and the host's.
    Milliseconds Now() const {
        return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - started_);
    }
    static double UnixNow();

private:
    struct Watched {
        std::size_t key;
        std::shared_ptr<CameraWatch> camera;
    };
    struct Leaving {
        std::shared_ptr<CameraWatch> camera;
        End end;
        bool handed = false;  // its end is a worker's job
    };
    // Hands the ends of cameras taken out to the workers, forgets those ended,
    // and says whether a camera of `address` is still leaving.
    void EndLeaving();
    bool IsLeaving(const std::string& address) const;
    void RefreshPasswords();

    std::vector<Watched> cameras_;
    std::vector<Leaving> leaving_;
    const WatchSettings& settings_;
    Publish publish_;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    LoginPace pace_;
    LoginWorkers workers_;
};

}  // namespace orvane_cli
