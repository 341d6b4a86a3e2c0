// The SDK's measurement block of a thermometry data event and its packed time
// word. Both are wire formats: little-endian, floats as IEEE-754 single bits.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orvane::thermometry {

static_assert(std::endian::native == std::endian::little,
              "the SDK's records are little-endian and copied as they are");

inline constexpr std::size_t kUploadSize = 440;

// Only the named fields are read; the rest travels along in the record's copy.
// Temperatures are kept as their 32-bit patterns so that they reach the host
// bit for bit, never passing through a float register.
struct ThermometryUpload {
    uint8_t unread0[8];
    uint32_t time;  // PackedTime
    uint8_t unread1[32];
    uint8_t RuleID;
    uint8_t RuleCalibType;
    uint16_t PresetNo;
    uint32_t point;
    uint8_t unread2[128];
    uint32_t max;
    uint32_t min;
    uint32_t avg;
    uint32_t diff;
    uint8_t unread3[116];
    uint8_t Unit;
    uint8_t DataType;
    uint8_t unread4[126];
};
static_assert(sizeof(ThermometryUpload) == kUploadSize);
static_assert(offsetof(ThermometryUpload, time) == 8);
static_assert(offsetof(ThermometryUpload, RuleID) == 44);
static_assert(offsetof(ThermometryUpload, RuleCalibType) == 45);
static_assert(offsetof(ThermometryUpload, PresetNo) == 46);
static_assert(offsetof(ThermometryUpload, point) == 48);
static_assert(offsetof(ThermometryUpload, max) == 180);
static_assert(offsetof(ThermometryUpload, min) == 184);
static_assert(offsetof(ThermometryUpload, avg) == 188);
static_assert(offsetof(ThermometryUpload, diff) == 192);
static_assert(offsetof(ThermometryUpload, Unit) == 312);
static_assert(offsetof(ThermometryUpload, DataType) == 313);

inline ThermometryUpload ReadUpload(const uint8_t* block) noexcept {
    ThermometryUpload upload;
    std::memcpy(&upload, block, kUploadSize);
    return upload;
}

// A date and time as the SDK packs it into one word, least significant bit
// first: second (6 bits), minute (6), hour (5), day (5), month (4), year - 2000 (6).
struct DecodedTime {
    int32_t year;
    int32_t month;
    int32_t day;
    int32_t hour;
    int32_t minute;
    int32_t second;
};

// The year is read without sign, so the top bit pattern gives 2032 to 2063
// rather than years before 2000.
constexpr DecodedTime DecodePackedTime(uint32_t word) noexcept {
    auto field = [word](unsigned lowestBit, unsigned width) {
        return static_cast<int32_t>((word >> lowestBit) & ((1u << width) - 1u));
    };
    return DecodedTime{field(26, 6) + 2000, field(22, 4), field(17, 5),
                       field(12, 5),        field(6, 6),  field(0, 6)};
}

}  // namespace orvane::thermometry
