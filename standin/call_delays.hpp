// How long each SDK operation of the simulated camera takes before it acts: a
// slow network or a busy camera, set by a test. None by default.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "hcnetsdk_standin.h"

namespace standin {

class CallDelays {
public:
    // A negative operation sets the delay of every operation.
    void set(int32_t operation, uint32_t milliseconds) {
        for (int32_t op = 0; op < STANDIN_OP_COUNT; ++op) {
            if (operation < 0 || op == operation) delays_[static_cast<std::size_t>(op)] = milliseconds;
        }
    }
    void wait(int32_t operation) const {
        if (operation < 0 || operation >= STANDIN_OP_COUNT) return;
        const uint32_t milliseconds = delays_[static_cast<std::size_t>(operation)].load();
        if (milliseconds != 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    void reset() { set(-1, 0); }

private:
    std::array<std::atomic<uint32_t>, STANDIN_OP_COUNT> delays_{};
};

}  // namespace standin
