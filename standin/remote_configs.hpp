// Remote-configuration sessions (thermometry subscriptions) of the simulated
// camera, and the delivery of their events to the subscriber's callback.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "hcnetsdk.h"
#include "logins.hpp"
#include "outcome.hpp"
#include "site_cameras.hpp"
#include "thermometry_stream.hpp"

namespace standin {

class RemoteConfigs {
public:
    // Opens a session and gives it the lowest handle no session holds, as an SDK
    // that indexes a table does. While streaming is on, the session delivers its
    // events on a thread of its own, one per rule of `rules` each tick, with the
    // readings of the camera the login belongs to. Refused when `userId` is not logged in by the time the
    // session would open: a reboot drops its logins before it ends their
    // sessions under this class's lock, so a start racing a reboot is either
    // ended by it or refused, never left running on a login that is gone.
    Outcome start(const Logins& logins, int32_t userId, int32_t channel, const CameraTraits& camera,
                  std::vector<MeasureRule> rules, HcRemoteConfigCallback callback, void* userData);
    // Ends a session and frees its handle, also one the camera has ended. Returns
    // only when no callback for the handle is running, and none will run
    // afterwards. The outcome notes the pair of the session it ended.
    Outcome stop(int32_t handle);
    // While held, a stop whose session no callback runs for any more waits there,
    // before it frees the handle, until the hold is lifted: a stop whose answer
    // comes back late, after a cleanup may have forgotten its session and a new
    // start taken the handle.
    void holdStops(bool held);
    // Ends every session, as stop does for each.
    void stopAll();
    // Ends a running session from the camera's side: its callback gets a status
    // event (`status`, followed by `code` for a failure status); unless
    // `continuing`, no event follows and the handle stays held until stopped.
    // False when the handle is not running.
    bool endFromCamera(int32_t handle, uint32_t status, uint32_t code, bool continuing);
    // Ends every running session of these user IDs from the camera's side, with
    // status 1002 and `code`, as a reboot does.
    void endSessionsOf(const std::vector<int32_t>& userIds, uint32_t code);
    // Ends every running session of a channel of the camera at site index host, of
    // any login to it, as endFromCamera does with status 1002 and `code`.
    void endChannel(SiteIndex host, int32_t channel, uint32_t code);
    // Whether the stream of a channel of the camera at site index host stalls: its
    // running sessions and those started later get nothing of what they stream
    // until it resumes (events given to fire and the ends still arrive). Setting
    // a stall returns once no callback of the channel's sessions runs, but one
    // the calling thread is inside of.
    void setSilent(SiteIndex host, int32_t channel, bool silent);
    // The handle of the newest running session of (userId, channel), or -1.
    int32_t newestHandle(int32_t userId, int32_t channel);
    // How many sessions of (userId, channel) a stop has ended since the reset.
    uint64_t stopsOf(int32_t userId, int32_t channel);
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
        SiteIndex host = 0;  // of the camera the login went to
        int32_t channel = 0;
        HcRemoteConfigCallback callback = nullptr;
        void* userData = nullptr;
        bool running = false;   // delivers events
        bool stopping = false;  // a stop is under way
        uint64_t startOrder = 0;
        int inFlight = 0;
        std::shared_ptr<ThermometryStream> stream;
    };

    void waitIdle(std::unique_lock<std::mutex>& lock, int32_t handle);
    // Gives the session started as number `startOrder` an event of its stream,
    // unless its channel stalls.
    ThermometryStream::Delivery deliverStreamed(int32_t handle, uint64_t startOrder, int32_t kind,
                                                const void* buffer, int32_t length);
    // Ends every running session `which` picks, as endSessionsOf does.
    void endWhere(const std::function<bool(const Session&)>& which, uint32_t code);
    // The newest running session of the pair, or sessions_.end().
    std::map<int32_t, Session>::iterator newest(int32_t userId, int32_t channel);
    // Under the mutex: stops delivery of a running session and sends its last
    // status; gives the stream to finish once the mutex is released.
    void endLocked(std::unique_lock<std::mutex>& lock, int32_t handle, uint32_t status, uint32_t code,
                   bool continuing, std::vector<std::shared_ptr<ThermometryStream>>& streams);
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
    uint64_t starts_ = 0;
    std::map<std::pair<int32_t, int32_t>, uint64_t> stopsByPair_;
    bool streaming_ = true;
    bool stopsHeld_ = false;
    std::condition_variable stopsReleased_;
    std::set<std::pair<SiteIndex, int32_t>> silent_;  // (host, channel) whose stream stalls
    // The threads inside a callback now (once per callback they are inside of):
    // a stall set from one of them cannot wait for it to return.
    std::multiset<std::thread::id> callbackThreads_;
};

}  // namespace standin
