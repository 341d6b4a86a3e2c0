// The stand-in's record of every SDK call, in the order the calls arrived.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace standin {

struct JournalEntry {
    int32_t operation = -1;
    std::vector<int64_t> arguments;
    std::vector<std::vector<uint8_t>> records;
};

class Journal {
public:
    // Adds the entry and gives its serial number, which stays its own while the
    // journal is cleared and refilled.
    uint64_t append(JournalEntry entry);
    // Adds arguments to the entry of that serial number once its call is
    // answered; nothing when the entry was cleared meanwhile.
    void note(uint64_t serial, const std::vector<int64_t>& arguments);
    void clear();
    std::size_t size() const;
    // A copy of one entry; an entry with operation -1 when index is out of range.
    JournalEntry entry(std::size_t index) const;

private:
    mutable std::mutex mutex_;
    std::vector<JournalEntry> entries_;
    uint64_t firstSerial_ = 0;  // serial number of entries_[0]
};

// Copies `size` bytes at `data` (nothing for a null pointer) as one journal record.
std::vector<uint8_t> copyBytes(const void* data, std::size_t size);

}  // namespace standin
