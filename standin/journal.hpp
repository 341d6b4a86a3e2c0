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
    void append(JournalEntry entry);
    void clear();
    std::size_t size() const;
    // A copy of one entry; an entry with operation -1 when index is out of range.
    JournalEntry entry(std::size_t index) const;

private:
    mutable std::mutex mutex_;
    std::vector<JournalEntry> entries_;
};

// Copies `size` bytes at `data` (nothing for a null pointer) as one journal record.
std::vector<uint8_t> copyBytes(const void* data, std::size_t size);

}  // namespace standin
