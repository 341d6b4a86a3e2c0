// The stand-in's record of the SDK calls, in the order the calls arrived: the
// newest kCapacity of them, so that a long session over the simulator holds a
// bounded amount. A password is never kept, only a keyed digest of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "hcnetsdk_standin.h"

namespace standin {

struct JournalEntry {
    int32_t operation = -1;
    std::vector<int64_t> arguments;
    std::vector<std::vector<uint8_t>> records;
    // Of a login: the digest (PasswordDigest) of its password field.
    std::optional<uint64_t> passwordDigest;
};

class Journal {
public:
    static constexpr std::size_t kCapacity = STANDIN_JOURNAL_CAPACITY;

    // Draws the digest's key, new in every process.
    Journal();
    // Adds the entry, dropping the oldest when the journal is full, and gives
    // its serial number, which stays its own while the journal is cleared and
    // refilled.
    uint64_t append(JournalEntry entry);
    // Adds arguments to the entry of that serial number once its call is
    // answered; nothing when the entry was cleared or dropped meanwhile.
    void note(uint64_t serial, const std::vector<int64_t>& arguments);
    void clear();
    std::size_t size() const;
    // A copy of one entry, 0 the oldest kept; an entry with operation -1 when
    // index is out of range.
    JournalEntry entry(std::size_t index) const;
    // A keyed digest (SipHash-2-4) of a password field: equal fields give equal
    // digests in this process, and the digest tells nothing about the field.
    uint64_t passwordDigest(const uint8_t* field, std::size_t size) const;

private:
    mutable std::mutex mutex_;
    std::deque<JournalEntry> entries_;
    uint64_t firstSerial_ = 0;  // serial number of entries_[0]
    std::array<uint64_t, 2> key_{};
};

// Copies `size` bytes at `data` (nothing for a null pointer) as one journal record.
std::vector<uint8_t> copyBytes(const void* data, std::size_t size);

}  // namespace standin
