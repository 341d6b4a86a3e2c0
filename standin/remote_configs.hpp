// Remote-configuration sessions (thermometry subscriptions) of the simulated
// camera, and the delivery of their events to the subscriber's callback.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "hcnetsdk.h"
#include "outcome.hpp"
#include "site_cameras.hpp"
#include "thermometry_stream.hpp"

namespace standin {

class RemoteConfigs {
public:
    // Opens a session and gives its handle (counting up from 0). While streaming
    // is on, the session delivers its events on a thread of its own, with the
    // readings of the camera the login belongs to.
    Outcome start(int32_t userId, int32_t channel, const CameraTraits& camera,
                  HcRemoteConfigCallback callback, void* userData);
    // Ends a session. Returns only when no callback for the handle is running,
    // and none will run afterwards.
    Outcome stop(int32_t handle);
    // Ends every session, as stop does for each.
    void stopAll();
    // Calls the session's callback on the calling thread; false when the handle
    // is not running.
    bool fire(int32_t handle, int32_t kind, const void* buffer, int32_t length);
    // As fire, on the newest running session of (userId, channel).
    bool fireNewest(int32_t userId, int32_t channel, int32_t kind, const void* buffer, int32_t length);
    // Forgets every session (after stopAll), restarts handle numbering and turns
    // streaming back on.
    void reset();
    // Whether sessions started from now on stream on their own (on by default);
    // without it, events arrive only through fire.
    void setStreaming(bool enabled);

private:
    struct Session {
        int32_t userId = -1;
        int32_t channel = 0;
        HcRemoteConfigCallback callback = nullptr;
        void* userData = nullptr;
        bool running = false;
        int inFlight = 0;
        std::shared_ptr<ThermometryStream> stream;
    };

    void waitIdle(std::unique_lock<std::mutex>& lock, int32_t handle);
    // Calls a running session's callback with the mutex released; `lock` holds
    // the mutex on entry and again on return.
    void deliver(std::unique_lock<std::mutex>& lock, int32_t handle, int32_t kind, const void* buffer,
                 int32_t length);
    // Ends the delivery threads taken out of stopped sessions; never called with
    // the mutex held, since a thread may be waiting for it to deliver.
    static void finishStreams(const std::vector<std::shared_ptr<ThermometryStream>>& streams);

    std::mutex mutex_;
    std::condition_variable idle_;
    std::map<int32_t, Session> sessions_;
    int32_t nextHandle_ = 0;
    bool streaming_ = true;
};

}  // namespace standin
