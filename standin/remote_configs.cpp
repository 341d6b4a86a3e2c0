#include "remote_configs.hpp"

#include <algorithm>
#include <optional>
#include <thread>

#include "hcnetsdk_standin.h"

namespace standin {
Outcome RemoteConfigs::start(const Logins& logins, int32_t userId, int32_t channel,
                             const CameraTraits& camera, std::vector<MeasureRule> rules,
                             HcRemoteConfigCallback callback, void* userData) {
    if (callback == nullptr) return Outcome::failure(STANDIN_ERROR_PARAMETER, -1);
    std::lock_guard lock(mutex_);
    const std::optional<SiteIndex> host = logins.hostOf(userId);
    if (!host) return Outcome::failure(STANDIN_ERROR_NO_SUCH_USER, -1);
    // The map is ordered: the first gap in its keys is the lowest free handle.
    int32_t handle = 0;
    for (auto it = sessions_.begin(); it != sessions_.end() && it->first == handle; ++it) ++handle;
    Session& session = sessions_[handle];
    session = Session{userId, *host, channel, callback, userData, true, false, ++starts_, 0, nullptr};
    if (streaming_) {
        try {
            session.stream = ThermometryStream::launch(
                [this, handle, startOrder = session.startOrder](int32_t kind, const void* buffer,
                                                                int32_t length) {
                    return deliverStreamed(handle, startOrder, kind, buffer, length);
                },
                channel, camera, std::move(rules));
        } catch (...) {
            // No thread to be had: the session runs without a stream.
        }
    }
    return Outcome::success(handle);
}

void RemoteConfigs::waitIdle(std::unique_lock<std::mutex>& lock, int32_t handle) {
    idle_.wait(lock, [&] {
        auto found = sessions_.find(handle);
        return found == sessions_.end() || found->second.inFlight == 0;
    });
}

Outcome RemoteConfigs::stop(int32_t handle) {
    std::unique_lock lock(mutex_);
    auto found = sessions_.find(handle);
    if (found == sessions_.end() || found->second.stopping) {
        Outcome outcome = Outcome::failure(STANDIN_ERROR_INVALID_HANDLE);
        outcome.journalNote = {-1, -1};
        return outcome;
    }
    Session& session = found->second;
    session.running = false;
    session.stopping = true;
    const int32_t userId = session.userId;
    const int32_t channel = session.channel;
    const uint64_t startOrder = session.startOrder;
    std::vector<std::shared_ptr<ThermometryStream>> streams;
    if (session.stream) streams.push_back(std::move(session.stream));
    waitIdle(lock, handle);
    stopsReleased_.wait(lock, [&] { return !stopsHeld_; });
    // No callback of it runs or will run: the session is forgotten and its handle
    // free for the next start, so that a host restarting subscriptions for months
    // does not grow the camera's memory. (A cleanup meanwhile may have forgotten
    // it already, and a new session taken the handle.)
    found = sessions_.find(handle);
    if (found != sessions_.end() && found->second.startOrder == startOrder) sessions_.erase(found);
    ++stopsByPair_[{userId, channel}];
    lock.unlock();
    finishStreams(streams);
    Outcome outcome = Outcome::success();
    outcome.journalNote = {userId, channel};
    return outcome;
}

void RemoteConfigs::holdStops(bool held) {
    {
        std::lock_guard lock(mutex_);
        stopsHeld_ = held;
    }
    stopsReleased_.notify_all();
}

void RemoteConfigs::finishStreams(const std::vector<std::shared_ptr<ThermometryStream>>& streams) {
    for (const auto& stream : streams) stream->finish();
}

void RemoteConfigs::stopAll() {
    std::unique_lock lock(mutex_);
    std::vector<std::shared_ptr<ThermometryStream>> streams;
    for (auto& [handle, session] : sessions_) {
        session.running = false;
        session.stopping = true;
        if (session.stream) streams.push_back(std::move(session.stream));
    }
    idle_.wait(lock, [&] {
        for (const auto& [handle, session] : sessions_) {
            if (session.inFlight != 0) return false;
        }
        return true;
    });
    // The SDK forgets every handle with its sessions.
    std::erase_if(sessions_, [](const auto& entry) { return entry.second.stopping; });
    lock.unlock();
    finishStreams(streams);
}

void RemoteConfigs::endLocked(std::unique_lock<std::mutex>& lock, int32_t handle, uint32_t status,
                              uint32_t code, bool continuing,
                              std::vector<std::shared_ptr<ThermometryStream>>& streams) {
    Session& session = sessions_[handle];
    if (!continuing) {
        // Nothing after the status: the stream delivers no more.
        session.running = false;
        if (session.stream) streams.push_back(std::move(session.stream));
    }
    const uint32_t words[2] = {status, code};
    const int32_t length = status == STANDIN_STATUS_FAILED ? sizeof words : sizeof words[0];
    deliver(lock, handle, ThermometryStream::kStatusKind, words, length);
}

bool RemoteConfigs::endFromCamera(int32_t handle, uint32_t status, uint32_t code, bool continuing) {
    std::unique_lock lock(mutex_);
    auto found = sessions_.find(handle);
    if (found == sessions_.end() || !found->second.running) return false;
    std::vector<std::shared_ptr<ThermometryStream>> streams;
    endLocked(lock, handle, status, code, continuing, streams);
    lock.unlock();
    finishStreams(streams);
    return true;
}

void RemoteConfigs::endSessionsOf(const std::vector<int32_t>& userIds, uint32_t code) {
    endWhere(
        [&](const Session& session) {
            return std::find(userIds.begin(), userIds.end(), session.userId) != userIds.end();
        },
        code);
}

void RemoteConfigs::endChannel(SiteIndex host, int32_t channel, uint32_t code) {
    endWhere([&](const Session& session) { return session.host == host && session.channel == channel; },
             code);
}

void RemoteConfigs::endWhere(const std::function<bool(const Session&)>& which, uint32_t code) {
    std::unique_lock lock(mutex_);
    std::vector<std::shared_ptr<ThermometryStream>> streams;
    // Each end releases the mutex while the callback runs, so the search starts
    // over after it; an ended session no longer runs and is not found again.
    for (;;) {
        auto found = std::find_if(sessions_.begin(), sessions_.end(), [&](const auto& entry) {
            return entry.second.running && which(entry.second);
        });
        if (found == sessions_.end()) break;
        endLocked(lock, found->first, STANDIN_STATUS_FAILED, code, false, streams);
    }
    lock.unlock();
    finishStreams(streams);
}

std::map<int32_t, RemoteConfigs::Session>::iterator RemoteConfigs::newest(int32_t userId, int32_t channel) {
    auto best = sessions_.end();
    for (auto it = sessions_.begin(); it != sessions_.end(); ++it) {
        const Session& session = it->second;
        if (session.running && session.userId == userId && session.channel == channel &&
            (best == sessions_.end() || session.startOrder > best->second.startOrder)) {
            best = it;
        }
    }
    return best;
}

int32_t RemoteConfigs::newestHandle(int32_t userId, int32_t channel) {
    std::lock_guard lock(mutex_);
    auto found = newest(userId, channel);
    return found == sessions_.end() ? -1 : found->first;
}

uint64_t RemoteConfigs::stopsOf(int32_t userId, int32_t channel) {
    std::lock_guard lock(mutex_);
    auto found = stopsByPair_.find({userId, channel});
    return found == stopsByPair_.end() ? 0 : found->second;
}

bool RemoteConfigs::fire(int32_t handle, int32_t kind, const void* buffer, int32_t length) {
    std::unique_lock lock(mutex_);
    auto found = sessions_.find(handle);
    if (found == sessions_.end() || !found->second.running) return false;
    deliver(lock, handle, kind, buffer, length);
    return true;
}

bool RemoteConfigs::fireNewest(int32_t userId, int32_t channel, int32_t kind, const void* buffer,
                               int32_t length) {
    std::unique_lock lock(mutex_);
    auto found = newest(userId, channel);
    if (found == sessions_.end()) return false;
    deliver(lock, found->first, kind, buffer, length);
    return true;
}

ThermometryStream::Delivery RemoteConfigs::deliverStreamed(int32_t handle, uint64_t startOrder, int32_t kind,
                                                           const void* buffer, int32_t length) {
    using Delivery = ThermometryStream::Delivery;
    std::unique_lock lock(mutex_);
    auto found = sessions_.find(handle);
    // A stopped session's stream may tick once more after its handle went to a
    // new session, which must not get that tick.
    if (found == sessions_.end() || found->second.startOrder != startOrder || !found->second.running) {
        return Delivery::kEnded;
    }
    if (silent_.count({found->second.host, found->second.channel}) != 0) return Delivery::kWithheld;
    deliver(lock, handle, kind, buffer, length);
    return Delivery::kDelivered;
}

void RemoteConfigs::setSilent(SiteIndex host, int32_t channel, bool silent) {
    std::unique_lock lock(mutex_);
    if (!silent) {
        silent_.erase({host, channel});
        return;
    }
    silent_.insert({host, channel});
    // A test that sees the stall set counts on nothing more arriving, also not
    // from a delivery that had begun before.
    if (callbackThreads_.count(std::this_thread::get_id()) != 0) return;
    idle_.wait(lock, [&] {
        return std::none_of(sessions_.begin(), sessions_.end(), [&](const auto& entry) {
            const Session& session = entry.second;
            return session.host == host && session.channel == channel && session.inFlight != 0;
        });
    });
}

void RemoteConfigs::deliver(std::unique_lock<std::mutex>& lock, int32_t handle, int32_t kind,
                            const void* buffer, int32_t length) {
    Session& session = sessions_[handle];
    ++session.inFlight;
    const HcRemoteConfigCallback callback = session.callback;
    void* userData = session.userData;
    // Kept under the lock rather than in a thread_local: a library's dynamic TLS
    // trips LeakSanitizer when threads end while the process exits.
    const auto self = callbackThreads_.insert(std::this_thread::get_id());
    lock.unlock();
    // The SDK hands the buffer over as writable memory; the subscriber only reads it.
    callback(kind, const_cast<void*>(buffer), length, userData);
    lock.lock();
    callbackThreads_.erase(self);
    // Stop waits for this count to drop, so the session is still there.
    --sessions_[handle].inFlight;
    lock.unlock();
    idle_.notify_all();
    lock.lock();
}

void RemoteConfigs::reset() {
    stopAll();
    holdStops(false);
    std::lock_guard lock(mutex_);
    sessions_.clear();
    stopsByPair_.clear();
    starts_ = 0;
    streaming_ = true;
    silent_.clear();
}

void RemoteConfigs::setStreaming(bool enabled) {
    std::lock_guard lock(mutex_);
    streaming_ = enabled;
}

}  // namespace standin
