// Every thermometry subscription started since load, in the order of starting.
//
// The SDK holds each record's address as its callback context, so a record never
// moves: records are allocated one by one and linked into an append-only list.
// Appends and lookups take no lock: a host thread appending, host threads looking
// up and SDK threads writing records never wait for one another.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/sdk_ops.hpp"
#include "thermometry/subscription_record.hpp"

namespace orvane::thermometry {

class SubscriptionList {
public:
    // Every record's events are logged to `log`.
    SubscriptionList(const sdk::SdkOps& sdk, LogSink& log) noexcept : sdk_(sdk), log_(log) {}
    ~SubscriptionList();
    SubscriptionList(const SubscriptionList&) = delete;
    SubscriptionList& operator=(const SubscriptionList&) = delete;

    // Adds a fresh record at the end and gives back the record itself, whose
    // address lasts until DestroyAll. Throws std::bad_alloc when out of memory.
    ThermometrySubscription& Append(int32_t userId, int32_t channel);
    // The first record started for (userId, channel), or null.
    ThermometrySubscription* Find(int32_t userId, int32_t channel) const noexcept;
    // Visits every record, first to last.
    template <class Visit>
    void ForEach(Visit visit) const {
        for (Node* node = head_.load(std::memory_order_acquire); node != nullptr;
             node = node->next.load(std::memory_order_acquire)) {
            visit(node->record);
        }
    }
    // Stops each record's remote configuration (ignoring the answer) and destroys
    // it, first to last; leaves the list empty. Only at unload, with no other
    // thread using the list.
    void DestroyAll() noexcept;

private:
    struct Node {
        Node(int32_t userId, int32_t channel, LogSink& log) : record(userId, channel, log) {}
        ThermometrySubscription record;
        std::atomic<Node*> next{nullptr};
    };

    const sdk::SdkOps& sdk_;
    LogSink& log_;
    std::atomic<Node*> head_{nullptr};
    // Some node near the end, where appends start looking for the last node.
    std::atomic<Node*> tailHint_{nullptr};
};

}  // namespace orvane::thermometry
