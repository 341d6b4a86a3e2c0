#include "support/log_support.hpp"

#include <bit>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace testsupport {

void MemoryLogSink::Append(const char* data, std::size_t size) noexcept {
    try {
        std::lock_guard lock(mutex_);
        text_.append(data, size);
    } catch (...) {
        // Out of memory: the line is lost, as a log line may be.
    }
}

std::string MemoryLogSink::Text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

void MemoryLogSink::Clear() {
    std::lock_guard lock(mutex_);
    text_.clear();
}

MemoryLogSink& TestLog() {
    static MemoryLogSink log;
    return log;
}

std::string ReadLog() { return TestLog().Text(); }

bool LogWritten() { return !TestLog().Text().empty(); }

void ClearLog() { TestLog().Clear(); }

std::string ScratchFilePath(const std::string& folder, bool createFolder) {
    const std::string unique =
        std::to_string(std::random_device{}()) + "-" + std::to_string(std::random_device{}());
    const std::filesystem::path directory = std::filesystem::temp_directory_path() / (folder + "-" + unique);
    if (createFolder) std::filesystem::create_directories(directory);
    return (directory / "~log.txt").string();
}

std::string ReadFileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

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
