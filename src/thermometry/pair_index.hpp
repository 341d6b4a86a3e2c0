// A hash index from (user ID, channel) to an entry, read without any lock.
//
// Lookups are lock-free and take constant time whatever the number of entries:
// an open-addressing table of entry pointers, probed linearly. Inserts come from
// one writer at a time (the caller serialises them) and never disturb a lookup
// under way: an entry is published with one release store into an empty slot,
// and growing builds a whole new table before publishing it. Replaced tables are
// kept until the index is destroyed, since a reader may still be probing one;
// with doubling, they add up to less than the current table. Entries are owned
// by the caller and must outlive the index's use.
//
// Every probe is bounded by the table's size: a table with no empty slot (which
// the growth rule never lets happen) makes a lookup miss and an insert throw,
// never spin.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace orvane::thermometry {

template <class Entry>  // Entry has `const int32_t userId, channel`
class PairIndex {
public:
    PairIndex() : current_(new Table(kInitialCapacity, nullptr)) {}
    ~PairIndex() {
        for (Table* table = current_.load(std::memory_order_acquire); table != nullptr;) {
            Table* previous = table->previous;
            delete table;
            table = previous;
        }
    }
    PairIndex(const PairIndex&) = delete;
    PairIndex& operator=(const PairIndex&) = delete;

    // The entry of the pair, or null. Safe beside an insert.
    Entry* Find(int32_t userId, int32_t channel) const noexcept {
        const Table* table = current_.load(std::memory_order_acquire);
        std::size_t slot = Hash(userId, channel) & table->mask;
        for (std::size_t probes = 0; probes <= table->mask; ++probes, slot = (slot + 1) & table->mask) {
            Entry* entry = table->slots[slot].load(std::memory_order_acquire);
            if (entry == nullptr) return nullptr;
            if (entry->userId == userId && entry->channel == channel) return entry;
        }
        return nullptr;
    }

    // Adds an entry whose pair is not in the index yet. One writer at a time.
    // Throws std::bad_alloc when the table cannot grow, and std::logic_error when
    // it has no empty slot; the index is unchanged then.
    void Insert(Entry& entry) {
        Table* table = current_.load(std::memory_order_relaxed);
        // At most half full, so that probes stay short and always end at an empty slot.
        if (2 * (count_ + 1) > table->mask + 1) table = Grow(table);
        Place(*table, entry);
        ++count_;
    }

private:
    static constexpr std::size_t kInitialCapacity = 16;

    struct Table {
        Table(std::size_t capacity, Table* previousTable)
            : mask(capacity - 1), slots(new std::atomic<Entry*>[capacity]), previous(previousTable) {
            for (std::size_t i = 0; i < capacity; ++i) slots[i].store(nullptr, std::memory_order_relaxed);
        }
        const std::size_t mask;
        const std::unique_ptr<std::atomic<Entry*>[]> slots;
        Table* const previous;
    };

    static std::size_t Hash(int32_t userId, int32_t channel) noexcept {
        const uint64_t key = uint64_t{static_cast<uint32_t>(userId)} << 32 | static_cast<uint32_t>(channel);
        // A multiplicative mix; the high half carries the well-mixed bits.
        const uint64_t mixed = key * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>(mixed >> 32 ^ mixed);
    }

    static void Place(Table& table, Entry& entry) {
        std::size_t slot = Hash(entry.userId, entry.channel) & table.mask;
        for (std::size_t probes = 0; table.slots[slot].load(std::memory_order_relaxed) != nullptr;
             slot = (slot + 1) & table.mask) {
            if (++probes > table.mask) throw std::logic_error("pair index: no empty slot in a full table");
        }
        table.slots[slot].store(&entry, std::memory_order_release);
    }

    Table* Grow(Table* table) {
        std::unique_ptr<Table> grown(new Table(2 * (table->mask + 1), table));
        for (std::size_t i = 0; i <= table->mask; ++i) {
            if (Entry* entry = table->slots[i].load(std::memory_order_relaxed)) Place(*grown, *entry);
        }
        current_.store(grown.get(), std::memory_order_release);
        return grown.release();
    }

    std::atomic<Table*> current_;
    std::size_t count_ = 0;  // written by the one writer only
};

}  // namespace orvane::thermometry
