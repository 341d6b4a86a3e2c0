#include "log_check.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

#include "event_code.hpp"

namespace soak {
namespace {

constexpr std::string_view kDumpPrefix = "len=440,hex=";
// "参数信息" and "框线读数" in GBK, as the library writes them.
constexpr std::string_view kParameterLabel =
    "\xB2\xCE\xCA\xFD\xD0\xC5\xCF\xA2: (RuleID, PresetNo, RuleCalibType, Unit, DataType)=(";
constexpr std::string_view kReadingLabel = "\xBF\xF2\xCF\xDF\xB6\xC1\xCA\xFD: (max, min, avg, diff)=(";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The block a dump spells, or false when it is not 880 lower-case hex digits.
bool DecodeDump(std::string_view hex, std::vector<uint8_t>& block) {
    if (hex.size() != 2 * kBlockSize) return false;
    block.resize(kBlockSize);
    for (std::size_t i = 0; i < kBlockSize; ++i) {
        const int high = HexValue(hex[2 * i]);
        const int low = HexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        block[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

// The block's sequence number when its time word and readings agree.
bool BlockSequence(const std::vector<uint8_t>& block, uint32_t& sequence) {
    Readings readings;
    std::memcpy(&readings.word, block.data() + 8, 4);
    std::memcpy(&readings.max, block.data() + 180, 4);
    std::memcpy(&readings.min, block.data() + 184, 4);
    std::memcpy(&readings.avg, block.data() + 188, 4);
    const Readings expected = ReadingsOf(readings.word);
    sequence = readings.word;
    return std::memcmp(&readings, &expected, sizeof readings) == 0;
}

// "(%d,%d,%d,%d,%d), time[yyyymmdd-hhmmss]" of the block with this sequence.
std::string ParameterTail(const std::vector<uint8_t>& block, uint32_t word) {
    const auto field = [word](unsigned low, unsigned width) { return (word >> low) & ((1u << width) - 1u); };
    char text[128];
    std::snprintf(text, sizeof text, "%u,0,2,0,0), time[%4.4u%2.2u%2.2u-%2.2u%2.2u%2.2u]", block[44],
                  field(26, 6) + 2000, field(22, 4), field(17, 5), field(12, 5), field(6, 6), field(0, 6));
    return text;
}

bool ReadingLineWhole(std::string_view rest) {
    // "%f, %f, %f, %f)": max, min, avg and diff of one event.
    const std::string text(rest);
    const char* cursor = text.c_str();
    double values[4];
    for (double& value : values) {
        char* end = nullptr;
        value = std::strtod(cursor, &end);
        if (end == cursor) return false;
        cursor = end;
        if (*cursor == ',' && cursor[1] == ' ') cursor += 2;
    }
    if (std::strcmp(cursor, ")") != 0 || values[0] < 0 || values[0] >= kSequenceLimit) return false;
    const Readings expected = ReadingsOf(static_cast<uint32_t>(values[0]));
    return values[1] == expected.min && values[2] == expected.avg && values[3] == 2.0 * expected.max;
}

class LineChecker {
public:
    explicit LineChecker(LogTally& tally) : tally_(tally) {}

    void Check(std::string_view line) {
        if (Classify(line)) return;
        ++tally_.badLines;
        if (tally_.firstBad.empty()) tally_.firstBad = std::string(line.substr(0, 200));
    }

private:
    bool Classify(std::string_view line) {
        if (line.empty()) return ++tally_.emptyLines, true;
        if (line.find('\r') != std::string_view::npos || line.find('\n') != std::string_view::npos)
            return false;
        if (line.substr(0, kReadingLabel.size()) == kReadingLabel) {
            return ReadingLineWhole(line.substr(kReadingLabel.size())) && ++tally_.readingLines;
        }
        if (line.substr(0, kDumpPrefix.size()) != kDumpPrefix) return false;
        const std::string_view afterPrefix = line.substr(kDumpPrefix.size());
        uint32_t sequence = 0;
        if (!DecodeDump(afterPrefix.substr(0, 2 * kBlockSize), block_) || !BlockSequence(block_, sequence)) {
            return false;
        }
        const std::string_view rest = afterPrefix.substr(2 * kBlockSize);
        if (rest.empty()) return ++tally_.dumpLines, true;
        if (rest.substr(0, kParameterLabel.size()) != kParameterLabel) return false;
        return rest.substr(kParameterLabel.size()) == ParameterTail(block_, sequence) &&
               ++tally_.parameterLines;
    }

    LogTally& tally_;
    std::vector<uint8_t> block_;
};

}  // namespace

LogTally CheckLog(const std::string& path) {
    LogTally tally;
    std::ifstream file(path, std::ios::binary);
    if (!file) return tally;
    tally.readable = true;
    LineChecker checker(tally);
    std::string pending;
    std::vector<char> chunk(1 << 20);
    while (file) {
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(file.gcount());
        tally.bytes += got;
        pending.append(chunk.data(), got);
        std::size_t start = 0;
        for (std::size_t end; (end = pending.find("\r\n", start)) != std::string::npos; start = end + 2) {
            checker.Check(std::string_view(pending).substr(start, end - start));
        }
        pending.erase(0, start);
    }
    // Whatever follows the last CR LF is a line cut short.
    if (!pending.empty()) checker.Check(pending + "\n");
    return tally;
}

LogTally CheckLogGenerations(const std::string& path, int& files) {
    namespace fs = std::filesystem;
    const fs::path log(path);
    const std::string name = log.filename().string();
    const std::string stem = name.substr(0, name.find('.'));
    std::vector<fs::path> generations;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(log.parent_path(), error)) {
        const std::string candidate = entry.path().filename().string();
        if (candidate.compare(0, stem.size(), stem) != 0 || !entry.is_regular_file()) continue;
        fs::path file = entry.path();
        if (file.extension() == ".gz") {
            const std::string unpack = "gzip -d -f '" + file.string() + "'";
            if (std::system(unpack.c_str()) != 0) return LogTally{};
            file.replace_extension();
        }
        generations.push_back(file);
    }
    LogTally total;
    total.readable = !generations.empty();
    for (const fs::path& file : generations) {
        const LogTally one = CheckLog(file.string());
        total.readable = total.readable && one.readable;
        total.bytes += one.bytes;
        total.dumpLines += one.dumpLines;
        total.parameterLines += one.parameterLines;
        total.readingLines += one.readingLines;
        total.emptyLines += one.emptyLines;
        total.badLines += one.badLines;
        if (total.firstBad.empty()) total.firstBad = one.firstBad;
    }
    files = static_cast<int>(generations.size());
    return total;
}

}  // namespace soak
