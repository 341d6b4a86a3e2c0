// Scripted outcomes for the next calls of each SDK operation.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "hcnetsdk_standin.h"

namespace standin {

struct ScriptedResult {
    int32_t result = 0;
    uint32_t errorCode = 0;
};

class Scripts {
public:
    void push(int32_t operation, ScriptedResult scripted);
    // Takes the oldest script queued for the operation, if any.
    std::optional<ScriptedResult> take(int32_t operation);
    void clear();

private:
    std::mutex mutex_;
    std::array<std::deque<ScriptedResult>, STANDIN_OP_COUNT> queues_;
};

}  // namespace standin
