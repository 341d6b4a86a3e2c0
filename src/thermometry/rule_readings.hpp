// The newest data event of each measurement rule of one subscription.
//
// A camera that measures several things at once (a point, a box, a line) sends
// one data event per rule, each naming its rule. Each rule's newest event is
// kept apart here, so that a host sees every rule's own values rather than
// whichever rule spoke last.
//
// Writers hold the record's store lock (the same one that orders its
// measurement). A read never takes it unless a writer is preempted in the
// middle of publishing: each rule publishes its values under a sequence counter
// of its own. Memory for a rule's values is allocated the first time the rule is
// seen and kept until the record goes; forgetting all rules (a restart) moves a
// generation counter instead of freeing anything a reader may be copying.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "thermometry/thermometry_upload.hpp"

namespace orvane::thermometry {

// Rule IDs are one byte on the wire.
inline constexpr int32_t kRuleIdCount = 256;

// One rule's newest data event as a read sees it: exactly the words of the
// host's reading from its date on, in the same order.
struct RuleSnapshot {
    int32_t date;  // yyyymmdd
    int32_t time;  // hhmmss
    int32_t ruleId;
    int32_t calibrationType;
    int32_t presetNo;
    int32_t unit;
    int32_t dataType;
    uint32_t pointBits;
    uint32_t maxBits;
    uint32_t minBits;
    uint32_t avgBits;
    uint32_t diffBits;
    int32_t dataEvents;  // of this rule, since the rules were last forgotten
};
inline constexpr std::size_t kRuleSnapshotWords = 13;
static_assert(sizeof(RuleSnapshot) == kRuleSnapshotWords * 4);
static_assert(offsetof(RuleSnapshot, dataEvents) == 48);

class RuleReadings {
public:
    // `writers` is the lock every writer holds; a read that keeps seeing a
    // writer mid-publish waits on it.
    explicit RuleReadings(std::mutex& writers) noexcept : writers_(writers) {}
    ~RuleReadings();
    RuleReadings(const RuleReadings&) = delete;
    RuleReadings& operator=(const RuleReadings&) = delete;

    // Under the writers' lock. Keeps `block` as its rule's newest event, with
    // its decoded time. A rule whose memory cannot be allocated is not kept.
    void Record(const ThermometryUpload& block, const DecodedTime& time) noexcept;
    // Under the writers' lock. Every rule reads as never seen from now on.
    void Forget() noexcept;

    // The newest event of `ruleId` since the rules were last forgotten; false
    // when there is none (or the ID is outside 0-255). Lock-free like the
    // record's reads.
    bool Read(int32_t ruleId, RuleSnapshot& snapshot) const noexcept;
    // Writes the first min(count, capacity) IDs of the rules seen since they
    // were last forgotten, ascending, to `ids` (nothing when it is null or
    // capacity <= 0), and returns their count. Lock-free.
    int32_t List(int32_t* ids, int32_t capacity) const noexcept;

private:
    struct Slot {
        // Odd while a writer publishes.
        std::atomic<uint32_t> version{0};
        // The generation the values belong to; rules of other generations are
        // forgotten ones.
        std::atomic<uint32_t> generation{0};
        std::atomic<uint32_t> words[kRuleSnapshotWords] = {};
    };
    struct Table {
        std::atomic<Slot*> slots[kRuleIdCount] = {};
    };

    Slot* SlotForWriting(uint8_t ruleId) noexcept;

    std::mutex& writers_;
    // Allocated with the first rule seen.
    std::atomic<Table*> table_{nullptr};
    std::atomic<uint32_t> generation_{1};
};

}  // namespace orvane::thermometry
