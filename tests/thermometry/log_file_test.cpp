#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/format_text.hpp"
#include "support/log_support.hpp"
#include "thermometry/log_file.hpp"

namespace orvane::thermometry {
namespace {

// The real file through the platform's append, in a folder of the test's own.
class LogFileTest : public ::testing::Test {
protected:
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(path).parent_path(), ignored);
    }
    void WriteLogLine(std::string_view text) { thermometry::WriteLogLine(log, text); }
    std::string ReadLogFile() const { return testsupport::ReadFileText(path); }

    const std::string path = testsupport::ScratchFilePath("orvane-log", true);
    FileLogSink log{path};
};

TEST_F(LogFileTest, WritingCreatesTheFileWithTheLineAndCrLf) {
    ASSERT_FALSE(testsupport::FileExists(path));
    WriteLogLine("abc");
    EXPECT_EQ(ReadLogFile(), "abc\r\n");
}

TEST_F(LogFileTest, LinesAreAppendedAndEveryLineFeedBecomesCrLf) {
    WriteLogLine("abc");
    WriteLogLine("");
    WriteLogLine("x\n");
    WriteLogLine("a\nb\n\nc");
    EXPECT_EQ(ReadLogFile(), "abc\r\n\r\nx\r\n\r\na\r\nb\r\n\r\nc\r\n");
}

TEST_F(LogFileTest, TextEndsAtItsFirstZeroByte) {
    WriteLogLine(std::string("ab\0cd", 5));
    EXPECT_EQ(ReadLogFile(), "ab\r\n");
}

TEST_F(LogFileTest, LongLinesArriveWhole) {
    const std::string text(100000, 'q');
    WriteLogLine(text);
    EXPECT_EQ(ReadLogFile(), text + "\r\n");
}

TEST(FormatTextTest, RendersExactlyTheFormattedCharacters) {
    EXPECT_EQ(FormatText("len=%d,hex=%s", 3, "0a0b0c"), "len=3,hex=0a0b0c");
    EXPECT_EQ(FormatText("len=%d,hex=%s", -1, ""), "len=-1,hex=");
    EXPECT_EQ(FormatText("[%4.4d%2.2d%2.2d-%2.2d]", 2024, 3, 5, 9), "[20240305-09]");
    EXPECT_EQ(FormatText("%f|%f", 25.5, -0.125), "25.500000|-0.125000");
    EXPECT_EQ(FormatText("%s", ""), "");
    EXPECT_EQ(FormatText("a%cb", 0), "a");  // the text ends at the first zero byte
    const std::string big(5000, 'z');
    EXPECT_EQ(FormatText("<%s>", big.c_str()), "<" + big + ">");
}

TEST(FormatHexIntoTest, WritesTwoLowerCaseDigitsPerByteLikePrintf) {
    uint8_t bytes[256];
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<uint8_t>(i);
    char buffer[513];
    EXPECT_EQ(FormatHexInto(buffer, sizeof buffer, bytes, 256), 512u);
    EXPECT_EQ(std::string(buffer), testsupport::HexOf(bytes, 256));
}

TEST(FormatHexIntoTest, WritesOnlyWholeBytesThatFitWithTheTerminator) {
    const uint8_t bytes[] = {0x01, 0xFF, 0x7A};
    char buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    EXPECT_EQ(FormatHexInto(buffer, 6, bytes, 3), 4u);  // room for two bytes and the zero
    EXPECT_EQ(std::string(buffer), "01ff");
    EXPECT_EQ(buffer[5], '#');
    EXPECT_EQ(FormatHexInto(buffer, 1, bytes, 3), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(FormatHexInto(buffer, sizeof buffer, nullptr, 3), 0u);
    EXPECT_EQ(FormatHexInto(nullptr, 0, bytes, 3), 0u);
}

}  // namespace
}  // namespace orvane::thermometry
