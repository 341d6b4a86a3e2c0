#include "watch/user_id_registry.hpp"

namespace orvane_cli {

void UserIdRegistry::Enter(Side side) {
    const Side other = side == kLogins ? kCalls : kLogins;
    std::unique_lock lock(mutex_);
    if (active_[other] == 0 && waiting_[other] == 0 && admitted_[other] == 0) {
        ++active_[side];
        return;
    }
    ++waiting_[side];
    changed_.wait(lock, [&] { return admitted_[side] > 0; });
    --admitted_[side];
    --waiting_[side];
    ++active_[side];
}

void UserIdRegistry::Leave(Side side) {
    const Side other = side == kLogins ? kCalls : kLogins;
    {
        const std::lock_guard lock(mutex_);
        --active_[side];
        // The last of a turn (those let in included) lets in all that wait on the other side.
        if (active_[side] > 0 || admitted_[side] > 0 || waiting_[other] == 0) return;
        admitted_[other] = waiting_[other];
    }
    changed_.notify_all();
}

std::optional<std::vector<int32_t>> UserIdRegistry::Claim(int32_t userId, std::atomic<bool>& lost,
                                                          std::vector<int32_t> channels) {
    const std::lock_guard lock(mutex_);
    std::optional<std::vector<int32_t>> taken;
    const auto found = owners_.find(userId);
    if (found != owners_.end() && found->second.lost != &lost) {
        found->second.lost->store(true, std::memory_order_release);
        taken = std::move(found->second.channels);
    }
    owners_[userId] = Owner{&lost, std::move(channels)};
    lost.store(false, std::memory_order_release);
    return taken;
}

void UserIdRegistry::Release(int32_t userId, const std::atomic<bool>& lost) {
    const std::lock_guard lock(mutex_);
    const auto found = owners_.find(userId);
    if (found != owners_.end() && found->second.lost == &lost) owners_.erase(found);
}

}  // namespace orvane_cli
