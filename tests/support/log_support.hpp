// Helpers for tests of the thermometry log and events: an in-memory log that
// the tests hand the library code, and measurement blocks built byte by byte.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "thermometry/log_sink.hpp"

namespace testsupport {

// A log kept in memory; lines appended from several threads stay whole.
class MemoryLogSink final : public orvane::thermometry::LogSink {
public:
    void Append(const char* data, std::size_t size) noexcept override;
    std::string Text() const;
    void Clear();

private:
    mutable std::mutex mutex_;
    std::string text_;
};

// The test program's in-memory log, which the tests hand the library code.
MemoryLogSink& TestLog();
// Every byte written to the test log.
std::string ReadLog();
// Whether anything was written to the test log.
bool LogWritten();
// Empties the test log, so that a test sees only its own lines.
void ClearLog();

// A path for a file of this test's own in the system's temporary folder,
// inside `folder` (created when `createFolder`), so that tests run side by side.
std::string ScratchFilePath(const std::string& folder, bool createFolder);
// Every byte of a file; empty when it does not exist.
std::string ReadFileText(const std::string& path);
// Whether a file exists.
bool FileExists(const std::string& path);

// The GBK labels of the log lines: "参数信息", "点读数", "框线读数".
inline const std::string kParameterLabel = "\xB2\xCE\xCA\xFD\xD0\xC5\xCF\xA2";
inline const std::string kPointLabel = "\xB5\xE3\xB6\xC1\xCA\xFD";
inline const std::string kRegionLabel = "\xBF\xF2\xCF\xDF\xB6\xC1\xCA\xFD";

// Each byte as "%02x" renders it.
std::string HexOf(const uint8_t* bytes, size_t count);

uint32_t PackTime(uint32_t year, uint32_t month, uint32_t day, uint32_t hour, uint32_t minute,
                  uint32_t second);

// A 440-byte measurement block (or longer, padded with a byte pattern).
struct BlockFields {
    uint32_t time = 0;
    uint8_t ruleId = 0;
    uint8_t calibType = 0;
    uint16_t presetNo = 0;
    float point = 0;
    float max = 0, min = 0, avg = 0, diff = 0;
    uint8_t unit = 0;
    uint8_t dataType = 0;
};
std::vector<uint8_t> MakeBlock(const BlockFields& fields, size_t size = 440);
void PutWord(std::vector<uint8_t>& block, size_t offset, uint32_t value);

}  // namespace testsupport
