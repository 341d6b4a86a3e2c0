// The simulated camera's pan/tilt/zoom head and its configuration records.
#pragma once

#include <cstdint>
#include <mutex>

#include "outcome.hpp"

namespace standin {

class PtzHead {
public:
    Outcome control(int32_t channel, uint32_t command, uint32_t stop, uint32_t speed);
    Outcome preset(int32_t channel, uint32_t presetCommand, uint32_t presetIndex);
    // Fills the position (command 293) or range (command 294) record.
    Outcome readConfig(uint32_t command, void* out, uint32_t size, uint32_t* returnedSize);
    void reset();

private:
    std::mutex mutex_;
    uint16_t pan_ = 0;
    uint16_t tilt_ = 0;
    uint16_t zoom_ = 10;
};

}  // namespace standin
