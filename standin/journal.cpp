#include "journal.hpp"

#include <cstring>

namespace standin {

void Journal::append(JournalEntry entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

void Journal::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

std::size_t Journal::size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

JournalEntry Journal::entry(std::size_t index) const {
    std::lock_guard lock(mutex_);
    if (index >= entries_.size()) return {};
    return entries_[index];
}

std::vector<uint8_t> copyBytes(const void* data, std::size_t size) {
    if (data == nullptr) return {};
    std::vector<uint8_t> bytes(size);
    if (size != 0) std::memcpy(bytes.data(), data, size);
    return bytes;
}

}  // namespace standin
