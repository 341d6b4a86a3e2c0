#include "journal.hpp"

#include <cstring>

namespace standin {

uint64_t Journal::append(JournalEntry entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
    return firstSerial_ + entries_.size() - 1;
}

void Journal::note(uint64_t serial, const std::vector<int64_t>& arguments) {
    std::lock_guard lock(mutex_);
    if (serial < firstSerial_ || serial - firstSerial_ >= entries_.size()) return;
    auto& slots = entries_[static_cast<std::size_t>(serial - firstSerial_)].arguments;
    slots.insert(slots.end(), arguments.begin(), arguments.end());
}

void Journal::clear() {
    std::lock_guard lock(mutex_);
    firstSerial_ += entries_.size();
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
