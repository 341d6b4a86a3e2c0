// The simulated camera's pan/tilt/zoom head: motion at a speed over time, presets,
// and the position and range configuration records.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

#include "outcome.hpp"
#include "sim_clock.hpp"

namespace standin {

struct HeadPosition {
    uint16_t pan = 0;
    uint16_t tilt = 0;
    uint16_t zoom = 10;
};

class PtzHead {
public:
    explicit PtzHead(SimClock& clock) : clock_(clock) {}

    Outcome control(int32_t channel, uint32_t command, uint32_t stop, uint32_t speed);
    Outcome preset(int32_t channel, uint32_t presetCommand, uint32_t presetIndex);
    // Fills the position (command 293) or range (command 294) record.
    Outcome readConfig(uint32_t command, void* out, uint32_t size, uint32_t* returnedSize);

    HeadPosition position();
    // Moves the head there at once (clamped to the ranges) and ends any motion.
    void setPosition(HeadPosition position);
    bool isMoving();
    void reset();

private:
    struct Motion {
        uint32_t command = 0;
        uint32_t speed = 0;
        int64_t startMs = 0;
    };

    // Where the head is at `nowMs`: the resting position moved on by the running
    // motion for the time since it started, clamped to the axis's range.
    HeadPosition positionAt(int64_t nowMs) const;
    // Makes the position at `nowMs` the resting one, restarting any motion's time.
    void settle(int64_t nowMs);

    SimClock& clock_;
    std::mutex mutex_;
    HeadPosition rest_;
    std::optional<Motion> motion_;
    std::map<uint32_t, HeadPosition> presets_;
};

}  // namespace standin
