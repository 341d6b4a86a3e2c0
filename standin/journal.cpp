#include "journal.hpp"

#include <cstring>
#include <random>

namespace standin {
namespace {

uint64_t rotate(uint64_t x, int bits) { return x << bits | x >> (64 - bits); }

uint64_t sipHash24(const std::array<uint64_t, 2>& key, const uint8_t* in, std::size_t size) {
    uint64_t v0 = 0x736f6d6570736575ULL ^ key[0], v1 = 0x646f72616e646f6dULL ^ key[1];
    uint64_t v2 = 0x6c7967656e657261ULL ^ key[0], v3 = 0x7465646279746573ULL ^ key[1];
    const auto round = [&] {
        v0 += v1, v1 = rotate(v1, 13), v1 ^= v0, v0 = rotate(v0, 32);
        v2 += v3, v3 = rotate(v3, 16), v3 ^= v2;
        v0 += v3, v3 = rotate(v3, 21), v3 ^= v0;
        v2 += v1, v1 = rotate(v1, 17), v1 ^= v2, v2 = rotate(v2, 32);
    };
    const auto absorb = [&](uint64_t word) {
        v3 ^= word;
        round();
        round();
        v0 ^= word;
    };
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word = 0;
        for (int j = 7; j >= 0; --j) word = word << 8 | in[i + static_cast<std::size_t>(j)];
        absorb(word);
    }
    uint64_t last = static_cast<uint64_t>(size) << 56;
    for (std::size_t j = 0; i + j < size; ++j) last |= static_cast<uint64_t>(in[i + j]) << (8 * j);
    absorb(last);
    v2 ^= 0xff;
    for (int r = 0; r < 4; ++r) round();
    return v0 ^ v1 ^ v2 ^ v3;
}

}  // namespace

Journal::Journal() {
    std::random_device random;
    for (uint64_t& half : key_) half = static_cast<uint64_t>(random()) << 32 | random();
}

uint64_t Journal::append(JournalEntry entry) {
    std::lock_guard lock(mutex_);
    if (entries_.size() == kCapacity) {
        entries_.pop_front();
        ++firstSerial_;
    }
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

uint64_t Journal::passwordDigest(const uint8_t* field, std::size_t size) const {
    return sipHash24(key_, field, size);
}

std::vector<uint8_t> copyBytes(const void* data, std::size_t size) {
    if (data == nullptr) return {};
    std::vector<uint8_t> bytes(size);
    if (size != 0) std::memcpy(bytes.data(), data, size);
    return bytes;
}

}  // namespace standin
