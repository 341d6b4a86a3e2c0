// The state the service publishes: written by the poll and the login workers,
// read by the HTTP server. The cameras' views are under one lock, so that a
// reader gets one whole moment (a snapshot) and never a camera half written.
// The history has a lock of its own, taken a series at a time, so that the
// large history document never holds up a scrape or the poll.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "serve/history.hpp"
#include "serve/service_state.hpp"

namespace orvane_cli::serve {

// The cameras come and go (a reload of the --config file): each has a key of
// the fleet's (watch/fleet_watch.hpp), never used twice, and a view published
// for a key no longer watched is dropped.
class StateStore {
public:
    // `initial` has the version, interval and limits, and no camera yet.
    explicit StateStore(ServiceSnapshot initial);

    // The cameras watched from now on, in order, by key: one already known
    // keeps its view (the one given is not looked at), a new one shows the
    // view given. The history of a camera's channel no longer watched is dropped.
    void SetCameras(const std::vector<std::pair<std::size_t, CameraView>>& cameras);
    // New limits and interval (the history keeps its newest samples that fit).
    void SetSettings(std::shared_ptr<const AlarmLimits> alarms, double intervalSeconds);
    // How the latest reading of the --config file went.
    void SetConfigStatus(const ConfigStatus& status);

    // A login worker's view of the camera with key `camera`.
    void PublishCamera(std::size_t camera, CameraView view);
    // A poll's views (camera key, view) and its host time; each reading
    // becomes a sample of the history. The poll's duration counts from `began`
    // to its publication, waiting for the locks included. True when it let go
    // of a large history document no answer holds any more: memory to hand back.
    bool PublishPoll(std::vector<std::pair<std::size_t, CameraView>> views, double time,
                     std::chrono::steady_clock::time_point began);

    // The whole state, stamped with `time`.
    ServiceSnapshot Snapshot(double time) const;
    // The history document `query` asks for, at `now`. The whole history is
    // built at most once per poll and shared by every request of that poll.
    std::shared_ptr<const std::string> HistoryDocument(const HistoryQuery& query, double now) const;

private:
    std::shared_ptr<const std::string> BuildHistory(const HistoryQuery& query, double now) const;

    mutable std::mutex stateMutex_;
    ServiceSnapshot state_;
    // Each camera's key and its index in state_.cameras, under stateMutex_.
    std::unordered_map<std::size_t, std::size_t> indexes_;
    std::optional<std::size_t> IndexOf(std::size_t key) const;

    mutable std::mutex historyMutex_;
    History history_;
    uint64_t polls_ = 0;  // under historyMutex_

    // The whole history of poll `wholeOfPoll_`, kept until the next poll:
    // tens of megabytes at hundreds of cameras, not to be kept for a request
    // that may never come. One is built at a time (`buildMutex_`), so that
    // requests arriving meanwhile wait for it rather than build it again.
    mutable std::mutex buildMutex_;
    mutable std::mutex wholeMutex_;
    mutable std::shared_ptr<const std::string> whole_;
    mutable uint64_t wholeOfPoll_ = 0;
};

}  // namespace orvane_cli::serve
