#include "thermometry/rule_readings.hpp"

#include <cstring>
#include <new>

namespace orvane::thermometry {
namespace {

// As the record's reads: a read that sees a writer publishing this many times
// in a row waits for it on the writers' lock (the writer was preempted).
constexpr int kOptimisticReads = 64;

int32_t Packed(int32_t high, int32_t middle, int32_t low) noexcept {
    return (high * 100 + middle) * 100 + low;
}

}  // namespace

RuleReadings::~RuleReadings() {
    Table* table = table_.load(std::memory_order_relaxed);
    if (table == nullptr) return;
    for (auto& slot : table->slots) delete slot.load(std::memory_order_relaxed);
    delete table;
}

RuleReadings::Slot* RuleReadings::SlotForWriting(uint8_t ruleId) noexcept {
    Table* table = table_.load(std::memory_order_relaxed);
    if (table == nullptr) {
        table = new (std::nothrow) Table;
        if (table == nullptr) return nullptr;
        table_.store(table, std::memory_order_release);
    }
    Slot* slot = table->slots[ruleId].load(std::memory_order_relaxed);
    if (slot == nullptr) {
        // Published only once written, so a reader never sees it half made.
        slot = new (std::nothrow) Slot;
        if (slot == nullptr) return nullptr;
        table->slots[ruleId].store(slot, std::memory_order_release);
    }
    return slot;
}

// The same fence-less sequence lock as the record's measurement: the odd
// version, then each value with release order, then the even version.
void RuleReadings::Record(const ThermometryUpload& block, const DecodedTime& time) noexcept {
    Slot* slot = SlotForWriting(block.RuleID);
    if (slot == nullptr) return;
    const uint32_t generation = generation_.load(std::memory_order_relaxed);
    const uint32_t events = slot->generation.load(std::memory_order_relaxed) == generation
                                ? slot->words[kRuleSnapshotWords - 1].load(std::memory_order_relaxed) + 1
                                : 1;
    const RuleSnapshot values{Packed(time.year, time.month, time.day),
                              Packed(time.hour, time.minute, time.second),
                              block.RuleID,
                              block.RuleCalibType,
                              block.PresetNo,
                              block.Unit,
                              block.DataType,
                              block.point,
                              block.max,
                              block.min,
                              block.avg,
                              block.diff,
                              static_cast<int32_t>(events)};
    uint32_t words[kRuleSnapshotWords];
    std::memcpy(words, &values, sizeof words);
    constexpr auto kPublish = std::memory_order_release;
    const uint32_t version = slot->version.load(std::memory_order_relaxed);
    slot->version.store(version + 1, std::memory_order_relaxed);
    for (std::size_t i = 0; i < kRuleSnapshotWords; ++i) slot->words[i].store(words[i], kPublish);
    slot->generation.store(generation, kPublish);
    slot->version.store(version + 2, std::memory_order_release);
}

void RuleReadings::Forget() noexcept {
    if (table_.load(std::memory_order_relaxed) == nullptr) return;
    generation_.store(generation_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

bool RuleReadings::Read(int32_t ruleId, RuleSnapshot& snapshot) const noexcept {
    if (ruleId < 0 || ruleId >= kRuleIdCount) return false;
    const Table* table = table_.load(std::memory_order_acquire);
    if (table == nullptr) return false;
    // Indexed by the ID's byte, as rules are on the wire: the index never leaves
    // the table, whatever the check above lets through.
    const Slot* slot = table->slots[static_cast<uint8_t>(ruleId)].load(std::memory_order_acquire);
    if (slot == nullptr) return false;
    uint32_t words[kRuleSnapshotWords];
    uint32_t generation = 0;
    auto copy = [&] {
        for (std::size_t i = 0; i < kRuleSnapshotWords; ++i) {
            words[i] = slot->words[i].load(std::memory_order_acquire);
        }
        generation = slot->generation.load(std::memory_order_acquire);
    };
    bool copied = false;
    for (int attempt = 0; attempt < kOptimisticReads && !copied; ++attempt) {
        const uint32_t before = slot->version.load(std::memory_order_acquire);
        if ((before & 1u) != 0) continue;
        copy();
        copied = slot->version.load(std::memory_order_relaxed) == before;
    }
    if (!copied) {
        std::lock_guard guard(writers_);
        copy();
    }
    // Values of a generation the rules were forgotten since answer nothing.
    if (generation != generation_.load(std::memory_order_acquire)) return false;
    std::memcpy(&snapshot, words, sizeof words);
    return true;
}

int32_t RuleReadings::List(int32_t* ids, int32_t capacity) const noexcept {
    const Table* table = table_.load(std::memory_order_acquire);
    if (table == nullptr) return 0;
    // Retried when the rules were forgotten during the walk, so that the list
    // belongs to one generation.
    for (;;) {
        const uint32_t generation = generation_.load(std::memory_order_acquire);
        int32_t count = 0;
        for (int32_t id = 0; id < kRuleIdCount; ++id) {
            const Slot* slot = table->slots[id].load(std::memory_order_acquire);
            if (slot == nullptr || slot->generation.load(std::memory_order_acquire) != generation) continue;
            if (ids != nullptr && count < capacity) ids[count] = id;
            ++count;
        }
        if (generation_.load(std::memory_order_acquire) == generation) return count;
    }
}

}  // namespace orvane::thermometry
