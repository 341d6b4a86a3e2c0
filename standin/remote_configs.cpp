#include "remote_configs.hpp"

#include "hcnetsdk_standin.h"

namespace standin {

Outcome RemoteConfigs::start(int32_t userId, int32_t channel, const CameraTraits& camera,
                             HcRemoteConfigCallback callback, void* userData) {
    if (callback == nullptr) return Outcome::failure(STANDIN_ERROR_PARAMETER, -1);
    std::lock_guard lock(mutex_);
    const int32_t handle = nextHandle_++;
    Session& session = sessions_[handle];
    session = Session{userId, channel, callback, userData, true, 0, nullptr};
    if (streaming_) {
        try {
            session.stream = ThermometryStream::launch(
                [this, handle](int32_t kind, const void* buffer, int32_t length) {
                    return fire(handle, kind, buffer, length);
                },
                channel, camera);
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
    if (found == sessions_.end() || !found->second.running) {
        return Outcome::failure(STANDIN_ERROR_INVALID_HANDLE);
    }
    found->second.running = false;
    std::vector<std::shared_ptr<ThermometryStream>> streams;
    if (found->second.stream) streams.push_back(std::move(found->second.stream));
    waitIdle(lock, handle);
    // No callback of it runs or will run: the session is forgotten, so that a
    // host restarting subscriptions for months does not grow the camera's memory.
    sessions_.erase(handle);
    lock.unlock();
    finishStreams(streams);
    return Outcome::success();
}

void RemoteConfigs::finishStreams(const std::vector<std::shared_ptr<ThermometryStream>>& streams) {
    for (const auto& stream : streams) stream->finish();
}

void RemoteConfigs::stopAll() {
    std::unique_lock lock(mutex_);
    std::vector<std::shared_ptr<ThermometryStream>> streams;
    for (auto& [handle, session] : sessions_) {
        session.running = false;
        if (session.stream) streams.push_back(std::move(session.stream));
    }
    idle_.wait(lock, [&] {
        for (const auto& [handle, session] : sessions_) {
            if (session.inFlight != 0) return false;
        }
        return true;
    });
    lock.unlock();
    finishStreams(streams);
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
    for (auto it = sessions_.rbegin(); it != sessions_.rend(); ++it) {
        const Session& session = it->second;
        if (session.running && session.userId == userId && session.channel == channel) {
            deliver(lock, it->first, kind, buffer, length);
            return true;
        }
    }
    return false;
}

void RemoteConfigs::deliver(std::unique_lock<std::mutex>& lock, int32_t handle, int32_t kind,
                            const void* buffer, int32_t length) {
    Session& session = sessions_[handle];
    ++session.inFlight;
    const HcRemoteConfigCallback callback = session.callback;
    void* userData = session.userData;
    lock.unlock();
    // The SDK hands the buffer over as writable memory; the subscriber only reads it.
    callback(kind, const_cast<void*>(buffer), length, userData);
    lock.lock();
    // Stop waits for this count to drop, so the session is still there.
    --sessions_[handle].inFlight;
    lock.unlock();
    idle_.notify_all();
    lock.lock();
}

void RemoteConfigs::reset() {
    stopAll();
    std::lock_guard lock(mutex_);
    sessions_.clear();
    nextHandle_ = 0;
    streaming_ = true;
}

void RemoteConfigs::setStreaming(bool enabled) {
    std::lock_guard lock(mutex_);
    streaming_ = enabled;
}

}  // namespace standin
