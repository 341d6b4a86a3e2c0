// The soak's data events: every measurement block carries its sequence number in
// the time word and in each of the max, min and average readings, so that a read
// (or a log line) mixing two events shows as numbers that disagree.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace soak {

inline constexpr std::size_t kBlockSize = 440;
// Sequence numbers stay below 2^23, where every reading below is exact.
inline constexpr uint32_t kSequenceLimit = 1u << 23;

struct Readings {
    uint32_t word;  // the packed time word
    float max;
    float min;
    float avg;
};

inline Readings ReadingsOf(uint32_t sequence) {
    const auto value = static_cast<float>(sequence);
    return Readings{sequence, value, -value, value + 0.5f};
}

inline std::array<uint8_t, kBlockSize> BlockOf(uint32_t sequence, uint8_t pairIndex) {
    std::array<uint8_t, kBlockSize> block{};
    const Readings readings = ReadingsOf(sequence);
    std::memcpy(block.data() + 8, &readings.word, 4);
    block[44] = pairIndex;  // RuleID
    block[45] = 2;          // a region rule: the log carries max, min, avg and diff
    std::memcpy(block.data() + 180, &readings.max, 4);
    std::memcpy(block.data() + 184, &readings.min, 4);
    std::memcpy(block.data() + 188, &readings.avg, 4);
    const float diff = 2 * readings.max;
    std::memcpy(block.data() + 192, &diff, 4);
    return block;
}

// The sequence number each part of a read carries; all four agree for a whole event.
struct DecodedSequence {
    uint32_t fromTime;
    uint32_t fromMax;
    uint32_t fromMin;
    uint32_t fromAvg;
    bool Whole() const { return fromTime == fromMax && fromMax == fromMin && fromMin == fromAvg; }
};

// From what CamThermometryRead hands out: date yyyymmdd and time hhmmss of the
// decoded word, and the readings' bit patterns.
inline DecodedSequence DecodeRead(int32_t date, int32_t time, uint32_t maxBits, uint32_t minBits,
                                  uint32_t avgBits) {
    const uint32_t year = static_cast<uint32_t>(date / 10000 - 2000);
    const uint32_t month = static_cast<uint32_t>(date / 100 % 100);
    const uint32_t day = static_cast<uint32_t>(date % 100);
    const uint32_t hour = static_cast<uint32_t>(time / 10000);
    const uint32_t minute = static_cast<uint32_t>(time / 100 % 100);
    const uint32_t second = static_cast<uint32_t>(time % 100);
    const uint32_t word = year << 26 | month << 22 | day << 17 | hour << 12 | minute << 6 | second;
    return DecodedSequence{word, static_cast<uint32_t>(std::bit_cast<float>(maxBits)),
                           static_cast<uint32_t>(-std::bit_cast<float>(minBits)),
                           static_cast<uint32_t>(std::bit_cast<float>(avgBits) - 0.5f)};
}

}  // namespace soak
