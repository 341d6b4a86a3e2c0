#include "thermometry/subscription_list.hpp"

namespace orvane::thermometry {

SubscriptionList::~SubscriptionList() { DestroyAll(); }

ThermometrySubscription& SubscriptionList::Append(int32_t userId, int32_t channel) {
    Node* node = new Node(userId, channel, log_);

    Node* last = tailHint_.load(std::memory_order_acquire);
    if (last == nullptr) {
        Node* expected = nullptr;
        if (head_.compare_exchange_strong(expected, node, std::memory_order_acq_rel)) {
            tailHint_.store(node, std::memory_order_release);
            return node->record;
        }
        last = expected;
    }
    // Walk to the true last node and link the new one behind it; a lost race
    // just moves on to the node that won.
    for (;;) {
        Node* next = nullptr;
        if (last->next.compare_exchange_weak(next, node, std::memory_order_acq_rel)) break;
        if (next != nullptr) last = next;
    }
    tailHint_.store(node, std::memory_order_release);
    return node->record;
}

ThermometrySubscription* SubscriptionList::Find(int32_t userId, int32_t channel) const noexcept {
    for (Node* node = head_.load(std::memory_order_acquire); node != nullptr;
         node = node->next.load(std::memory_order_acquire)) {
        if (node->record.userId == userId && node->record.channel == channel) return &node->record;
    }
    return nullptr;
}

void SubscriptionList::DestroyAll() noexcept {
    Node* node = head_.exchange(nullptr, std::memory_order_acq_rel);
    tailHint_.store(nullptr, std::memory_order_release);
    while (node != nullptr) {
        Node* next = node->next.load(std::memory_order_acquire);
        sdk_.stopRemoteConfig(node->record.configHandle.load());
        delete node;
        node = next;
    }
}

}  // namespace orvane::thermometry
