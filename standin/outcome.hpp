// What one simulated SDK call gives back: its result and, on failure, the error
// code to leave in the calling thread's last-error value.
#pragma once

#include <cstdint>
#include <vector>

namespace standin {

struct Outcome {
    int32_t result = 0;
    uint32_t errorCode = 0;  // 0 when the call succeeded
    // Arguments the journal adds to the call's entry once it is answered.
    std::vector<int64_t> journalNote;

    static Outcome success(int32_t result = 1) { return {result, 0, {}}; }
    static Outcome failure(uint32_t code, int32_t result = 0) { return {result, code, {}}; }
};

}  // namespace standin
