#include "scripts.hpp"

namespace standin {

void Scripts::push(int32_t operation, ScriptedResult scripted) {
    if (operation < 0 || operation >= STANDIN_OP_COUNT) return;
    std::lock_guard lock(mutex_);
    queues_[static_cast<std::size_t>(operation)].push_back(scripted);
}

std::optional<ScriptedResult> Scripts::take(int32_t operation) {
    if (operation < 0 || operation >= STANDIN_OP_COUNT) return std::nullopt;
    std::lock_guard lock(mutex_);
    auto& queue = queues_[static_cast<std::size_t>(operation)];
    if (queue.empty()) return std::nullopt;
    ScriptedResult scripted = queue.front();
    queue.pop_front();
    return scripted;
}

void Scripts::clear() {
    std::lock_guard lock(mutex_);
    for (auto& queue : queues_) queue.clear();
}

}  // namespace standin
