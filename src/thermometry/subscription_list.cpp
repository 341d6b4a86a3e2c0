#include "thermometry/subscription_list.hpp"

#include <cassert>

namespace orvane::thermometry {

SubscriptionList::~SubscriptionList() { DestroyAll(); }

ThermometrySubscription& SubscriptionList::AppendRecord(int32_t userId, int32_t channel) {
    // Under appendLock_.
    Node* node = new Node(userId, channel, log_);
    Node* last = tail_.load(std::memory_order_relaxed);
    if (last == nullptr) {
        head_.store(node, std::memory_order_release);
    } else {
        last->next.store(node, std::memory_order_release);
    }
    tail_.store(node, std::memory_order_relaxed);
    return node->record;
}

SubscriptionList::Pair& SubscriptionList::PairOf(int32_t userId, int32_t channel) {
    if (Pair* pair = index_.Find(userId, channel)) return *pair;
    std::lock_guard guard(appendLock_);
    if (Pair* pair = index_.Find(userId, channel)) return *pair;
    Pair& pair = pairs_.emplace_back(userId, channel);
    try {
        index_.Insert(pair);
    } catch (...) {
        pairs_.pop_back();
        throw;
    }
    return pair;
}

void SubscriptionList::MakeReusable(Pair& pair, ThermometrySubscription& record) noexcept {
    record.SetNextReusable(pair.reusable);
    pair.reusable = &record;
}

SubscriptionList::Choice SubscriptionList::ChooseRecord(Pair& pair) {
    // Under the pair's lock.
    Choice choice{};
    choice.answering = pair.answering.load(std::memory_order_relaxed);
    // The answering record once nothing uses it, so that status queries see
    // the pair starting; then a free record of the pair, and only then a new one.
    if (choice.answering != nullptr && !choice.answering->Live()) {
        choice.record = choice.answering;
    } else if (pair.reusable != nullptr) {
        choice.record = pair.reusable;
        pair.reusable = choice.record->NextReusable();
        choice.record->SetNextReusable(nullptr);
    } else {
        std::lock_guard guard(appendLock_);
        choice.record = &AppendRecord(pair.userId, pair.channel);
    }
    choice.record->BeginRestart();
    // The first record of a pair answers from the start, so that a read during
    // the SDK's start call already finds it.
    if (choice.answering == nullptr) pair.answering.store(choice.record, std::memory_order_release);
    return choice;
}

void SubscriptionList::FinishStart(Pair& pair, const Choice& choice, bool started) noexcept {
    ThermometrySubscription& record = *choice.record;
    ThermometrySubscription* const answering = choice.answering;
    // A failed restart gives the record back the handle it had, so a restarted
    // answering record goes on answering as the subscription it was.
    record.EndRestart(started);
    if (answering == nullptr || answering == &record) return;  // it answers already
    if (started) {
        pair.answering.store(&record, std::memory_order_release);
        // A superseded subscription that still runs keeps its record until unload.
        if (!answering->Live()) MakeReusable(pair, *answering);
        return;
    }
    // A failed start on another record than the answering one: that record is
    // in use (it runs), or a free record of the pair was taken, which only
    // exists once a start of the pair succeeded; the answering one stays.
    assert(answering->Handle() >= 0);
    MakeReusable(pair, record);
}

ThermometrySubscription* SubscriptionList::Find(int32_t userId, int32_t channel) const noexcept {
    const Pair* pair = index_.Find(userId, channel);
    return pair == nullptr ? nullptr : pair->answering.load(std::memory_order_acquire);
}

void SubscriptionList::DestroyAll() noexcept {
    for (Pair& pair : pairs_) {
        pair.answering.store(nullptr, std::memory_order_relaxed);
        pair.reusable = nullptr;
    }
    StopAllLive();
    Node* node = head_.exchange(nullptr, std::memory_order_acq_rel);
    tail_.store(nullptr, std::memory_order_relaxed);
    while (node != nullptr) {
        Node* next = node->next.load(std::memory_order_acquire);
        delete node;
        node = next;
    }
}

void SubscriptionList::StopAllLive() const noexcept {
    for (Node* node = head_.load(std::memory_order_acquire); node != nullptr;
         node = node->next.load(std::memory_order_acquire)) {
        if (node->record.Live()) sdk_.stopRemoteConfig(node->record.Handle());
    }
}

}  // namespace orvane::thermometry
