// The state the service publishes: written by the poll and the login workers,
// read by the HTTP server, all under one lock so that a reader gets one whole
// moment (a snapshot) and never a camera half written.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "serve/history.hpp"
#include "serve/service_state.hpp"

namespace orvane_cli::serve {

class StateStore {
public:
    // `initial` names the cameras (in order), the version, interval and thresholds.
    explicit StateStore(ServiceSnapshot initial);

    // A login worker's view of the camera with index `camera`.
    void PublishCamera(std::size_t camera, CameraView view);
    // A poll's views (camera index, view), its host time and how long it took;
    // each reading becomes a sample of the history.
    void PublishPoll(std::vector<std::pair<std::size_t, CameraView>> views, double time, double seconds);

    // The whole state, stamped with `time`.
    ServiceSnapshot Snapshot(double time) const;
    // `render` run on the history, under the lock (the history is too large to copy for each request).
    std::string RenderHistory(const std::function<std::string(const History&)>& render) const;

private:
    mutable std::mutex mutex_;
    ServiceSnapshot state_;
    History history_;
};

}  // namespace orvane_cli::serve
