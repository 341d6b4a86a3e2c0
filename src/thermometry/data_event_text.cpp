#include "thermometry/data_event_text.hpp"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>

namespace orvane::thermometry {
namespace {

static_assert(std::endian::native == std::endian::little, "hex pairs are laid out for little-endian stores");

// The log's labels are GBK bytes: "参数信息", "点读数", "框线读数".
constexpr char kParameterLabel[] =
    "\xB2\xCE\xCA\xFD\xD0\xC5\xCF\xA2"
    ": (RuleID, PresetNo, RuleCalibType, Unit, DataType)=(";
constexpr char kPointLabel[] =
    "\xB5\xE3\xB6\xC1\xCA\xFD"
    ": ";
constexpr char kRegionLabel[] =
    "\xBF\xF2\xCF\xDF\xB6\xC1\xCA\xFD"
    ": (max, min, avg, diff)=(";

template <std::size_t N>
char* Put(char* out, const char (&text)[N]) noexcept {
    std::memcpy(out, text, N - 1);
    return out + (N - 1);
}

// "%d" of a value that is never negative here.
char* PutNumber(char* out, uint32_t value) noexcept { return std::to_chars(out, out + 10, value).ptr; }

// "%2.2d" of a decoded time field, which its bit width keeps within 0 to 63.
char* PutTwoDigits(char* out, int32_t value) noexcept {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

char* PutReading(char* out, uint32_t bits) noexcept { return AppendReadingText(out, bits); }

// The two lower-case hex digits of every byte value, as they lie in memory.
constexpr std::array<uint16_t, 256> kHexPairs = [] {
    constexpr char digits[] = "0123456789abcdef";
    std::array<uint16_t, 256> pairs{};
    for (std::size_t value = 0; value < 256; ++value) {
        const auto high = static_cast<uint16_t>(static_cast<unsigned char>(digits[value >> 4]));
        const auto low = static_cast<uint16_t>(static_cast<unsigned char>(digits[value & 0xF]));
        // Little-endian: the first digit is the low byte of the pair.
        pairs[value] = static_cast<uint16_t>(high | low << 8);
    }
    return pairs;
}();

// Sixteen bytes as one vector: SSE2 instructions where the target has them;
// the compiler splits the operations into words where it has not.
using Bytes16 = uint8_t __attribute__((vector_size(16)));

// "%02x" per byte: sixteen bytes (32 digits) at a time, the rest through the
// table.
char* PutHex(char* out, const uint8_t* bytes, std::size_t count) noexcept {
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        Bytes16 block;
        std::memcpy(&block, bytes + i, sizeof block);
        const Bytes16 high = block >> 4;
        const Bytes16 low = block & 0x0F;
        // A digit value of 10 or more ((value + 6) >> 4 is then 1) is a letter:
        // 'a' - '0' - 10 further on.
        const Bytes16 highDigits = high + '0' + ((Bytes16{} - ((high + 6) >> 4)) & ('a' - '0' - 10));
        const Bytes16 lowDigits = low + '0' + ((Bytes16{} - ((low + 6) >> 4)) & ('a' - '0' - 10));
        // Each byte's high digit, then its low one.
        const Bytes16 first = __builtin_shufflevector(highDigits, lowDigits, 0, 16, 1, 17, 2, 18, 3, 19, 4,
                                                      20, 5, 21, 6, 22, 7, 23);
        const Bytes16 second = __builtin_shufflevector(highDigits, lowDigits, 8, 24, 9, 25, 10, 26, 11, 27,
                                                       12, 28, 13, 29, 14, 30, 15, 31);
        std::memcpy(out, &first, sizeof first);
        std::memcpy(out + sizeof first, &second, sizeof second);
        out += 2 * sizeof first;
    }
    for (; i < count; ++i) {
        std::memcpy(out, &kHexPairs[bytes[i]], 2);
        out += 2;
    }
    return out;
}

}  // namespace

std::size_t RenderDataHead(char* out, int32_t length, const uint8_t* bytes, std::size_t dumped) noexcept {
    char* end = Put(out, "len=");
    end = std::to_chars(end, end + 11, length).ptr;
    end = Put(end, ",hex=");
    if (dumped > static_cast<std::size_t>(kDumpLimit)) dumped = kDumpLimit;
    if (bytes != nullptr) end = PutHex(end, bytes, dumped);
    return static_cast<std::size_t>(end - out);
}

std::size_t RenderDataDescription(char* out, const ThermometryUpload& block,
                                  const DecodedTime& time) noexcept {
    char* end = Put(out, kParameterLabel);
    end = PutNumber(end, block.RuleID);
    *end++ = ',';
    end = PutNumber(end, block.PresetNo);
    *end++ = ',';
    end = PutNumber(end, block.RuleCalibType);
    *end++ = ',';
    end = PutNumber(end, block.Unit);
    *end++ = ',';
    end = PutNumber(end, block.DataType);
    end = Put(end, "), time[");
    // "%4.4d": the decoded year is 2000 to 2063, always four digits.
    end = PutTwoDigits(end, time.year / 100);
    end = PutTwoDigits(end, time.year % 100);
    end = PutTwoDigits(end, time.month);
    end = PutTwoDigits(end, time.day);
    *end++ = '-';
    end = PutTwoDigits(end, time.hour);
    end = PutTwoDigits(end, time.minute);
    end = PutTwoDigits(end, time.second);
    end = Put(end, "]\r\n");
    if (block.RuleCalibType == 0) {
        end = Put(end, kPointLabel);
        end = PutReading(end, block.point);
        end = Put(end, "\r\n");
    } else if (block.RuleCalibType == 1 || block.RuleCalibType == 2) {
        end = Put(end, kRegionLabel);
        end = PutReading(end, block.max);
        end = Put(end, ", ");
        end = PutReading(end, block.min);
        end = Put(end, ", ");
        end = PutReading(end, block.avg);
        end = Put(end, ", ");
        end = PutReading(end, block.diff);
        end = Put(end, ")\r\n");
    }
    end = Put(end, "\r\n");
    return static_cast<std::size_t>(end - out);
}

}  // namespace orvane::thermometry
