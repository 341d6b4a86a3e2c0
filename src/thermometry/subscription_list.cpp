#include "thermometry/subscription_list.hpp"

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

bool SubscriptionList::Unused(const ThermometrySubscription& record) noexcept {
    return record.configHandle.load(std::memory_order_relaxed) < 0 || record.stopConfirmed;
}

void SubscriptionList::MakeReusable(Pair& pair, ThermometrySubscription& record) noexcept {
    record.nextReusable = pair.reusable;
    pair.reusable = &record;
}

ThermometrySubscription& SubscriptionList::Append(int32_t userId, int32_t channel) {
    Pair& pair = PairOf(userId, channel);
    std::lock_guard pairGuard(pair.startStop);
    ThermometrySubscription* record;
    {
        std::lock_guard guard(appendLock_);
        record = &AppendRecord(userId, channel);
    }
    ThermometrySubscription* answering = pair.answering.load(std::memory_order_relaxed);
    if (answering == nullptr || answering->configHandle.load(std::memory_order_relaxed) < 0) {
        pair.answering.store(record, std::memory_order_release);
    }
    return *record;
}

SubscriptionList::Choice SubscriptionList::ChooseRecord(Pair& pair) {
    // Under the pair's lock.
    Choice choice{};
    choice.answering = pair.answering.load(std::memory_order_relaxed);
    // A free record of the pair first, then the answering one once nothing
    // uses it, and only then a new one.
    if (pair.reusable != nullptr) {
        choice.record = pair.reusable;
        pair.reusable = choice.record->nextReusable;
        choice.record->nextReusable = nullptr;
    } else if (choice.answering != nullptr && Unused(*choice.answering)) {
        choice.record = choice.answering;
        choice.restartsAnswering = true;
    } else {
        std::lock_guard guard(appendLock_);
        choice.record = &AppendRecord(pair.userId, pair.channel);
    }
    ThermometrySubscription& record = *choice.record;
    choice.previousHandle = record.configHandle.load(std::memory_order_relaxed);
    choice.previouslyStopped = record.stopConfirmed;
    record.stopConfirmed = false;
    record.BeginRestart();
    // The first record of a pair answers from the start, so that a read during
    // the SDK's start call already finds it.
    if (choice.answering == nullptr) pair.answering.store(&record, std::memory_order_release);
    return choice;
}

void SubscriptionList::FinishStart(Pair& pair, const Choice& choice, bool started) noexcept {
    ThermometrySubscription& record = *choice.record;
    ThermometrySubscription* const answering = choice.answering;
    record.EndRestart(started);
    if (started) {
        if (answering != nullptr && answering != &record) {
            pair.answering.store(&record, std::memory_order_release);
            // A superseded subscription that still runs keeps its record until unload.
            if (Unused(*answering)) MakeReusable(pair, *answering);
        }
        return;
    }
    if (choice.restartsAnswering) {
        // The stopped subscription keeps answering with its last measurement,
        // and a stop asks the SDK about its handle, as if no record was reused.
        if (choice.previousHandle >= 0) {
            record.configHandle.store(choice.previousHandle, std::memory_order_relaxed);
            record.stopConfirmed = choice.previouslyStopped;
        }
        return;
    }
    if (answering == nullptr) return;  // the pair's only record answers
    if (answering->configHandle.load(std::memory_order_relaxed) < 0) {
        // No start of the pair succeeded so far: the newest record answers.
        pair.answering.store(&record, std::memory_order_release);
        MakeReusable(pair, *answering);
    } else {
        MakeReusable(pair, record);
    }
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
    Node* node = head_.exchange(nullptr, std::memory_order_acq_rel);
    tail_.store(nullptr, std::memory_order_relaxed);
    while (node != nullptr) {
        Node* next = node->next.load(std::memory_order_acquire);
        sdk_.stopRemoteConfig(node->record.configHandle.load());
        delete node;
        node = next;
    }
}

}  // namespace orvane::thermometry
