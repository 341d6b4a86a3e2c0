// Every thermometry subscription record since load, and which of them answers
// for each (user ID, channel) pair.
//
// The SDK holds each record's address as its callback context, so a record never
// moves and is never freed before unload: records are allocated one by one and
// linked into an append-only list, which unload walks in order.
//
// For each pair, the record that reads and stops act on is the newest whose
// start succeeded, or, until one does, the pair's only record (a failed start
// leaves its record free for the next start, which reuses it).
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

    // Stops the pair's answering subscription by the stop rule of
    // CamThermometryStop (include/OrvaneLib.h): only a live one (started, its
    // stop not confirmed) reaches the SDK, through `stop(handle)`, called under
    // the pair's lock, which returns whether the SDK confirmed. Refused for a
    // live one whose stop was refused; Stopped for a confirmed or earlier
    // confirmed stop; NotStarted, without calling `stop`, when the start failed
    // or the pair has no record.
    enum class StopResult { Stopped, Refused, NotStarted };
    template <class StopCall>
    StopResult Stop(int32_t userId, int32_t channel, StopCall stop) noexcept {
        Pair* pair = index_.Find(userId, channel);
        if (pair == nullptr) return StopResult::NotStarted;
        std::lock_guard guard(pair->startStop);
        ThermometrySubscription* record = pair->answering.load(std::memory_order_relaxed);
        if (record == nullptr || record->Handle() < 0) return StopResult::NotStarted;
        if (record->StopConfirmed()) return StopResult::Stopped;
        if (!stop(record->Handle())) return StopResult::Refused;
        // The SDK calls back no more for this handle: the record is free for the
        // pair's next start.
        record->ConfirmStop();
        return StopResult::Stopped;
    }

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
    // Stops each live record's remote configuration (ignoring the answer), first
    // to last, and destroys every record; leaves the list empty. Failed and
    // confirmed-stopped records are not sent to the SDK. Only at unload, with no
    // other thread using the list.
    void DestroyAll() noexcept;
    // Stops each live record's remote configuration as DestroyAll does, but
    // takes no lock and destroys nothing: for the end of a process whose other
    // threads were ended wherever they stood, holding whatever they held.
    void StopAllLive() const noexcept;

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

    // The record a start uses, and the pair's answering record before the start.
    struct Choice {
        ThermometrySubscription* record;
        ThermometrySubscription* answering;
    };
    Choice ChooseRecord(Pair& pair);
    void FinishStart(Pair& pair, const Choice& choice, bool started) noexcept;

    ThermometrySubscription& AppendRecord(int32_t userId, int32_t channel);
    Pair& PairOf(int32_t userId, int32_t channel);
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
