// Every thermometry subscription record since load, and which of them answers
// for each (user ID, channel) pair.
//
// The SDK holds each record's address as its callback context, so a record never
// moves and is never freed before unload: records are allocated one by one and
// linked into an append-only list, which unload walks in order.
//
// For each pair, the record that reads and stops act on is the newest whose
// start succeeded, or the newest record when no start of the pair succeeded.
// Finding it takes constant time: a lock-free hash index leads to the pair's
// entry, which points at its answering record. A start may reuse a record of
// its pair that no subscription uses any more (its start failed, or the SDK
// confirmed its stop), so a host that restarts a subscription again and again
// does not grow the list.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

#include "core/sdk_ops.hpp"
#include "thermometry/pair_index.hpp"
#include "thermometry/subscription_record.hpp"

namespace orvane::thermometry {

class SubscriptionList {
public:
    // Every record's events are logged to `log`.
    SubscriptionList(const sdk::SdkOps& sdk, LogSink& log) noexcept : sdk_(sdk), log_(log) {}
    ~SubscriptionList();
    SubscriptionList(const SubscriptionList&) = delete;
    SubscriptionList& operator=(const SubscriptionList&) = delete;

    // Starts a subscription for the pair on a reused or a new record and makes
    // it the pair's answering record when the rules say so. `start(record)`
    // starts the record's subscription with the SDK (the record as its callback
    // context), stores the handle in the record and returns whether the SDK
    // accepted it; it runs under the pair's lock. Returns what `start` returned.
    // Throws std::bad_alloc when no record can be allocated.
    template <class StartCall>
    bool Start(int32_t userId, int32_t channel, StartCall start) {
        Pair& pair = PairOf(userId, channel);
        std::lock_guard guard(pair.startStop);
        const Choice choice = ChooseRecord(pair);
        const bool started = start(*choice.record);
        FinishStart(pair, choice, started);
        return started;
    }

    // Asks the SDK to stop the pair's answering record, whatever its handle:
    // `stop(handle)` calls the SDK under the pair's lock and returns whether it
    // confirmed the stop. False without calling it when no record matches.
    template <class StopCall>
    bool Stop(int32_t userId, int32_t channel, StopCall stop) noexcept {
        Pair* pair = index_.Find(userId, channel);
        if (pair == nullptr) return false;
        std::lock_guard guard(pair->startStop);
        ThermometrySubscription* record = pair->answering.load(std::memory_order_relaxed);
        if (record == nullptr) return false;
        if (!stop(record->configHandle.load(std::memory_order_relaxed))) return false;
        // The SDK calls back no more for this handle: the record is free for the
        // pair's next start.
        record->stopConfirmed = true;
        return true;
    }

    // Adds a fresh record for the pair without starting it; it answers for the
    // pair unless a record whose start succeeded does. Throws std::bad_alloc.
    ThermometrySubscription& Append(int32_t userId, int32_t channel);
    // The record that answers for (userId, channel), or null. Lock-free.
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

    // The records of one pair.
    struct Pair {
        Pair(int32_t userIdValue, int32_t channelValue) : userId(userIdValue), channel(channelValue) {}
        const int32_t userId;
        const int32_t channel;
        // One start or stop of the pair at a time; starts and stops of other
        // pairs go on meanwhile.
        std::mutex startStop;
        std::atomic<ThermometrySubscription*> answering{nullptr};
        // Records no subscription uses and no rule lets answer: free for the
        // next start, linked through nextReusable. Guarded by startStop.
        ThermometrySubscription* reusable = nullptr;
    };

    // The record a start uses, and what it was before.
    struct Choice {
        ThermometrySubscription* record;
        ThermometrySubscription* answering;  // the pair's answering record before the start
        bool restartsAnswering;
        int32_t previousHandle;
        bool previouslyStopped;
    };
    Choice ChooseRecord(Pair& pair);
    void FinishStart(Pair& pair, const Choice& choice, bool started) noexcept;

    ThermometrySubscription& AppendRecord(int32_t userId, int32_t channel);
    Pair& PairOf(int32_t userId, int32_t channel);
    static bool Unused(const ThermometrySubscription& record) noexcept;
    static void MakeReusable(Pair& pair, ThermometrySubscription& record) noexcept;

    const sdk::SdkOps& sdk_;
    LogSink& log_;
    std::atomic<Node*> head_{nullptr};
    // The last node; appends link behind it.
    std::atomic<Node*> tail_{nullptr};
    // Guards appends, pairs_ and inserts into the index.
    std::mutex appendLock_;
    std::deque<Pair> pairs_;  // a deque never moves its elements
    PairIndex<Pair> index_;
};

}  // namespace orvane::thermometry
