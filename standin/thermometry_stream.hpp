// The delivery thread of one running thermometry session: it reports the
// session's start (status 1000), then sends one measurement block per rule of
// its channel at a steady rate, until the session is stopped. While the camera
// holds its events back (a stalled stream), ticks pass without a delivery and
// the start's status waits for the stream to resume.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "site_cameras.hpp"

namespace standin {

class ThermometryStream {
public:
    // What became of an event given to the session.
    enum class Delivery { kDelivered, kWithheld, kEnded };
    // Delivers one event to the session, or withholds it while the camera's
    // stream stalls; kEnded once the session no longer runs.
    using Deliver = std::function<Delivery(int32_t kind, const void* buffer, int32_t length)>;

    static constexpr std::chrono::milliseconds interval{200};
    // The kinds of event a session's callback gets.
    static constexpr int32_t kStatusKind = 0;
    static constexpr int32_t kDataKind = 2;

    // Starts the thread. Throws std::system_error when no thread can be started.
    static std::shared_ptr<ThermometryStream> launch(Deliver deliver, int32_t channel,
                                                     const CameraTraits& camera,
                                                     std::vector<MeasureRule> rules);

    // Wakes the thread, waits until it has delivered its last event and joins it
    // where the platform allows (platform::mayJoinThreadsHere); elsewhere it ends
    // on its own, with the stand-in's code kept mapped for it. The thread touches
    // nothing of the session's after this.
    void finish();

    // The measurement block the camera sends for `rule` at tick number
    // `sequence`, stamped with the current local time, as the given camera
    // measures it: a point rule's reading at the point, zeros for the region; a
    // region rule's four readings. Each rule reads a level and phase of its own;
    // rule 1 as a line is what a single-rule camera sends.
    static std::vector<uint8_t> measurementBlock(uint32_t sequence, int32_t channel,
                                                 const CameraTraits& camera, const MeasureRule& rule);

private:
    ThermometryStream(Deliver deliver, int32_t channel, const CameraTraits& camera,
                      std::vector<MeasureRule> rules);
    void run();
    // Waits one tick; true when a stop came instead.
    bool stopBeforeTick();

    Deliver deliver_;
    int32_t channel_;
    CameraTraits camera_;
    std::vector<MeasureRule> rules_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopRequested_ = false;
    bool finished_ = false;
    std::thread thread_;
};

}  // namespace standin
