// The data event's log bytes, rendered without printf, against the printf
// rendering of the event handler's formats, byte for byte, over the whole value
// range of every field: edge values and many random blocks.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "thermometry/data_event_text.hpp"
#include "thermometry/reading_text.hpp"

namespace orvane::thermometry {
namespace {

constexpr char kParameterFormat[] =
    "\xB2\xCE\xCA\xFD\xD0\xC5\xCF\xA2"
    ": (RuleID, PresetNo, RuleCalibType, Unit, DataType)=(%d,%d,%d,%d,%d), "
    "time[%4.4d%2.2d%2.2d-%2.2d%2.2d%2.2d]\n";
constexpr char kPointFormat[] = "\xB5\xE3\xB6\xC1\xCA\xFD: %f\n";
constexpr char kRegionFormat[] = "\xBF\xF2\xCF\xDF\xB6\xC1\xCA\xFD: (max, min, avg, diff)=(%f, %f, %f, %f)\n";

double Widened(uint32_t bits) { return static_cast<double>(std::bit_cast<float>(bits)); }

template <class... Arguments>
std::string Printf(const char* format, Arguments... arguments) {
    std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, format, arguments...)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, arguments...);
    return text;
}

std::string WithCrLf(const std::string& text) {
    std::string bytes;
    for (const char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
}

// The second log line's part after the head, the way the handler's formats give it.
std::string PrintfDescription(const ThermometryUpload& block) {
    const DecodedTime t = DecodePackedTime(block.time);
    std::string text =
        Printf(kParameterFormat, int{block.RuleID}, int{block.PresetNo}, int{block.RuleCalibType},
               int{block.Unit}, int{block.DataType}, t.year, t.month, t.day, t.hour, t.minute, t.second);
    if (block.RuleCalibType == 0) text += Printf(kPointFormat, Widened(block.point));
    if (block.RuleCalibType == 1 || block.RuleCalibType == 2) {
        text += Printf(kRegionFormat, Widened(block.max), Widened(block.min), Widened(block.avg),
                       Widened(block.diff));
    }
    return WithCrLf(text + "\n");
}

std::string RenderedDescription(const ThermometryUpload& block) {
    char out[kDescriptionCapacity];
    return std::string(out, RenderDataDescription(out, block, DecodePackedTime(block.time)));
}

std::string RenderedReading(uint32_t bits) {
    char out[kReadingTextMax];
    return std::string(out, AppendReadingText(out, bits));
}

// Readings where rendering is delicate: zeros, ties at the sixth decimal,
// rounding carries, the ends of the fast path, subnormals, the extremes.
const uint32_t kEdgeReadings[] = {
    0x00000000,
    0x80000000,
    0x00000001,
    0x80000001,
    0x007FFFFF,
    0x00800000,
    0x358637BD /* 1e-6 */,
    0x3505E1F6,
    0x3C000000 /* 0.0078125 */,
    0x3CC00000 /* 0.0234375 */,
    0x3F800008,
    0x3F7FFFFF,
    0x41CC0000,
    0xC2208000,
    0x4212999A /* 36.6 */,
    0x447A0000,
    0x4B7FFFFF,
    0x4B800000,
    0x53800000 /* 2^40 */,
    0x537FFFFF,
    0xD37FFFFF,
    0x7F7FFFFF,
    0xFF7FFFFF,
    0x7F800000,
    0xFF800000,
    0x7FC00000,
    0xFFC00000,
    0x7FA00001,
    0xFFC12345,
    0x2EDBE6FF /* 1e-10 */,
    0x3F000000,
    0x3EFFFFFF,
};

TEST(DataEventTextTest, ReadingsMatchPrintfAtTheEdgesAndAcrossTheRange) {
    std::mt19937 random(20240305);
    auto check = [](uint32_t bits) {
        // NaNs: printf and the converter agree on "nan" and "-nan" on every platform we build for.
        ASSERT_EQ(RenderedReading(bits), Printf("%f", Widened(bits))) << std::hex << bits;
    };
    for (const uint32_t bits : kEdgeReadings) {
        for (uint32_t step = 0; step < 3; ++step) {  // each edge and its neighbours
            check(bits + step);
            check(bits - step);
        }
    }
    for (int i = 0; i < 200000; ++i) check(random());
    // Plausible temperatures, densely.
    for (float value = -273.15f; value < 2000.0f; value += 0.0137f) check(std::bit_cast<uint32_t>(value));
}

TEST(DataEventTextTest, HeadMatchesPrintfForEveryLengthShape) {
    uint8_t bytes[kDumpLimit];
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
    const struct {
        int32_t length;
        std::size_t dumped;
    } cases[] = {{440, 440}, {0, 0},       {-1, 0},      {INT_MIN, 0},    {1, 1},
                 {3, 3},     {1024, 1024}, {2000, 1024}, {INT_MAX, 1024}, {439, 439}};
    for (const auto& c : cases) {
        std::string dump;
        for (std::size_t i = 0; i < c.dumped; ++i) dump += Printf("%02x", unsigned{bytes[i]});
        char out[kHeadCapacity];
        const std::size_t size = RenderDataHead(out, c.length, bytes, c.dumped);
        EXPECT_EQ(std::string(out, size), Printf("len=%d,hex=%s", c.length, dump.c_str())) << c.length;
    }
    char out[kHeadCapacity];
    EXPECT_EQ(std::string(out, RenderDataHead(out, 12, nullptr, 12)), "len=12,hex=");
}

TEST(DataEventTextTest, DescriptionsMatchPrintfForRandomBlocks) {
    std::mt19937 random(7);
    ThermometryUpload block{};
    for (int i = 0; i < 50000; ++i) {
        block.time = random();
        block.RuleID = static_cast<uint8_t>(random());
        // Mostly the rule types with a reading line, sometimes any other.
        block.RuleCalibType = static_cast<uint8_t>(i % 4 == 3 ? random() : random() % 3);
        block.PresetNo = static_cast<uint16_t>(random());
        block.Unit = static_cast<uint8_t>(random());
        block.DataType = static_cast<uint8_t>(random());
        block.point = random();
        block.max = random();
        block.min = i % 8 == 0 ? kEdgeReadings[i / 8 % std::size(kEdgeReadings)] : random();
        block.avg = std::bit_cast<uint32_t>(std::uniform_real_distribution<float>(-50, 150)(random));
        block.diff = random();
        ASSERT_EQ(RenderedDescription(block), PrintfDescription(block)) << "block " << i;
    }
}

}  // namespace
}  // namespace orvane::thermometry
