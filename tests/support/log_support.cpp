#include "support/log_support.hpp"

#include <bit>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "thermometry/platform/log_file.hpp"

namespace testsupport {

std::string ReadLogFile() {
    std::ifstream file(orvane::thermometry::platform::LogFilePath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool LogFileExists() {
    std::FILE* file = std::fopen(orvane::thermometry::platform::LogFilePath(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

void RemoveLogFile() { std::remove(orvane::thermometry::platform::LogFilePath()); }

std::string HexOf(const uint8_t* bytes, size_t count) {
    std::string hex;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        hex += pair;
    }
    return hex;
}

uint32_t PackTime(uint32_t year, uint32_t month, uint32_t day, uint32_t hour, uint32_t minute,
                  uint32_t second) {
    return (year - 2000) << 26 | month << 22 | day << 17 | hour << 12 | minute << 6 | second;
}

void PutWord(std::vector<uint8_t>& block, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) block[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> MakeBlock(const BlockFields& fields, size_t size) {
    std::vector<uint8_t> block(size);
    // Unread bytes carry a pattern, so that a misplaced read shows.
    for (size_t i = 0; i < size; ++i) block[i] = static_cast<uint8_t>(i * 7 + 3);
    PutWord(block, 8, fields.time);
    block[44] = fields.ruleId;
    block[45] = fields.calibType;
    block[46] = static_cast<uint8_t>(fields.presetNo);
    block[47] = static_cast<uint8_t>(fields.presetNo >> 8);
    PutWord(block, 48, std::bit_cast<uint32_t>(fields.point));
    PutWord(block, 180, std::bit_cast<uint32_t>(fields.max));
    PutWord(block, 184, std::bit_cast<uint32_t>(fields.min));
    PutWord(block, 188, std::bit_cast<uint32_t>(fields.avg));
    PutWord(block, 192, std::bit_cast<uint32_t>(fields.diff));
    block[312] = fields.unit;
    block[313] = fields.dataType;
    return block;
}

}  // namespace testsupport
