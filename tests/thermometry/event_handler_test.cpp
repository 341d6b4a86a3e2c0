#include <gtest/gtest.h>

#include <bit>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/log_support.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/subscription_record.hpp"

namespace orvane::thermometry {
namespace {

using testsupport::BlockFields;
using testsupport::HexOf;
using testsupport::kParameterLabel;
using testsupport::kPointLabel;
using testsupport::kRegionLabel;
using testsupport::MakeBlock;
using testsupport::ReadLog;

constexpr uint32_t kMarch5th = 0x60CA91C3;  // 2024-03-05 09:07:03

class EventHandlerTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ClearLog(); }
    void TearDown() override { testsupport::ClearLog(); }

    void Deliver(int32_t kind, const void* buffer, int32_t length) {
        OnThermometryEvent(kind, const_cast<void*>(buffer), length, &record);
    }
    void DeliverBlock(const std::vector<uint8_t>& block) {
        Deliver(kEventData, block.data(), static_cast<int32_t>(block.size()));
    }
    static std::string ParameterLine(const std::string& values, const std::string& time) {
        return kParameterLabel + ": (RuleID, PresetNo, RuleCalibType, Unit, DataType)=(" + values +
               "), time[" + time + "]\r\n";
    }

    // What reads see of the stored block: its three readings, bit for bit.
    void ExpectStored(const uint8_t* block) const {
        const MeasurementSnapshot snapshot = record.Snapshot();
        const uint32_t stored[] = {snapshot.maxBits, snapshot.minBits, snapshot.avgBits};
        const std::size_t offsets[] = {offsetof(ThermometryUpload, max), offsetof(ThermometryUpload, min),
                                       offsetof(ThermometryUpload, avg)};
        for (int i = 0; i < 3; ++i) {
            uint32_t bits;
            std::memcpy(&bits, block + offsets[i], sizeof bits);
            EXPECT_EQ(stored[i], bits) << "reading " << i;
        }
    }

    ThermometrySubscription record{4, 1, testsupport::TestLog()};
};

TEST_F(EventHandlerTest, RegionReadingEventIsStoredAndLoggedLineByLine) {
    BlockFields fields;
    fields.time = kMarch5th;
    fields.ruleId = 5;
    fields.calibType = 2;
    fields.presetNo = 258;
    fields.unit = 1;
    fields.dataType = 3;
    fields.max = 40, fields.min = 20, fields.avg = 30, fields.diff = 20;
    auto block = MakeBlock(fields);
    block[0] = 0x01;
    block[1] = 0xFF;
    DeliverBlock(block);

    const std::string first = "len=440,hex=" + HexOf(block.data(), 440);
    ASSERT_EQ(first.size(), 12u + 880u);
    EXPECT_EQ(first.substr(0, 16), "len=440,hex=01ff");
    const std::string reading =
        kRegionLabel + ": (max, min, avg, diff)=(40.000000, 20.000000, 30.000000, 20.000000)\r\n";
    EXPECT_EQ(ReadLog(),
              first + "\r\n" + first + ParameterLine("5,258,2,1,3", "20240305-090703") + reading + "\r\n");

    const MeasurementSnapshot snapshot = record.Snapshot();
    EXPECT_EQ(snapshot.eventCount, 1);
    EXPECT_EQ(snapshot.year, 2024);
    EXPECT_EQ(snapshot.month, 3);
    EXPECT_EQ(snapshot.day, 5);
    EXPECT_EQ(snapshot.hour, 9);
    EXPECT_EQ(snapshot.minute, 7);
    EXPECT_EQ(snapshot.second, 3);
    ExpectStored(block.data());
    std::string text = record.EventText();
    EXPECT_EQ(text.substr(0, first.size()), first);
    EXPECT_EQ(text.back(), '\n');
}

TEST_F(EventHandlerTest, RuleTypeSelectsTheReadingLine) {
    BlockFields fields;
    fields.time = kMarch5th;
    fields.point = 25.5f;
    fields.max = 1.25f;
    const struct {
        uint8_t calibType;
        std::string reading;
    } cases[] = {
        {0, kPointLabel + ": 25.500000\r\n"},
        {1, kRegionLabel + ": (max, min, avg, diff)=(1.250000, 0.000000, 0.000000, 0.000000)\r\n"},
        {3, ""},
        {255, ""},
    };
    for (const auto& c : cases) {
        testsupport::ClearLog();
        fields.calibType = c.calibType;
        const auto block = MakeBlock(fields);
        DeliverBlock(block);
        const std::string first = "len=440,hex=" + HexOf(block.data(), 440);
        const std::string parameters =
            ParameterLine("0,0," + std::to_string(c.calibType) + ",0,0", "20240305-090703");
        EXPECT_EQ(ReadLog(), first + "\r\n" + first + parameters + c.reading + "\r\n")
            << "type " << int{c.calibType};
    }
    EXPECT_EQ(record.Snapshot().eventCount, 4);
}

TEST_F(EventHandlerTest, ReadingsAreRenderedAsPrintfRendersThem) {
    const float values[] = {0.0f,
                            -0.0f,
                            25.5f,
                            -40.125f,
                            1e-7f,
                            0.0078125f,
                            0.0234375f,
                            36.6f,
                            123456.789f,
                            3.4e38f,
                            -1.17549435e-38f,
                            2.5e-6f,
                            1.0000005f,
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN()};
    BlockFields fields;
    fields.time = kMarch5th;
    fields.calibType = 1;
    for (const float value : values) {
        testsupport::ClearLog();
        fields.max = fields.min = fields.avg = fields.diff = value;
        DeliverBlock(MakeBlock(fields));
        char expected[256];
        const double widened = value;
        std::snprintf(expected, sizeof expected, "(max, min, avg, diff)=(%f, %f, %f, %f)\r\n\r\n", widened,
                      widened, widened, widened);
        const std::string log = ReadLog();
        EXPECT_EQ(log.substr(log.rfind(kRegionLabel) + kRegionLabel.size() + 2), expected)
            << "value " << value;
    }
}

TEST_F(EventHandlerTest, LongEventsAreDumpedUpTo1024BytesAndStoreTheirFirst440) {
    BlockFields fields;
    fields.time = kMarch5th;
    fields.calibType = 3;
    const auto block = MakeBlock(fields, 2000);
    DeliverBlock(block);
    const std::string first = "len=2000,hex=" + HexOf(block.data(), 1024);
    EXPECT_EQ(ReadLog(), first + "\r\n" + first + ParameterLine("0,0,3,0,0", "20240305-090703") + "\r\n");
    ExpectStored(block.data());
}

TEST_F(EventHandlerTest, ShortOrMissingBlocksAreCountedAndLoggedButNotStored) {
    BlockFields fields;
    fields.time = kMarch5th;
    fields.calibType = 2;
    fields.max = 25.5f;
    const auto complete = MakeBlock(fields);
    DeliverBlock(complete);
    testsupport::ClearLog();

    // A short block's bytes, followed by bytes that must never be read: the
    // event reports only the first 100.
    auto shortBlock = MakeBlock(BlockFields{}, 440);
    Deliver(kEventData, shortBlock.data(), 100);
    Deliver(kEventData, shortBlock.data(), 0);
    Deliver(kEventData, shortBlock.data(), -1);
    Deliver(kEventData, nullptr, 440);

    const std::string hundred = "len=100,hex=" + HexOf(shortBlock.data(), 100);
    EXPECT_EQ(ReadLog(), hundred + "\r\n" + hundred + "\r\n" + "len=0,hex=\r\nlen=0,hex=\r\n" +
                             "len=-1,hex=\r\nlen=-1,hex=\r\n" + "len=440,hex=\r\nlen=440,hex=\r\n");
    EXPECT_EQ(record.Snapshot().eventCount, 5);
    ExpectStored(complete.data());
    EXPECT_EQ(record.Snapshot().year, 2024);
    EXPECT_EQ(record.Snapshot().second, 3);
}

TEST_F(EventHandlerTest, YearsAreDecodedWithoutSign) {
    BlockFields fields;
    fields.calibType = 3;
    fields.time = testsupport::PackTime(2063, 12, 31, 23, 59, 59);
    DeliverBlock(MakeBlock(fields));
    EXPECT_EQ(record.Snapshot().year, 2063);
    EXPECT_EQ(record.Snapshot().month, 12);
    EXPECT_EQ(record.Snapshot().day, 31);
    fields.time = testsupport::PackTime(2032, 1, 1, 0, 0, 0);
    DeliverBlock(MakeBlock(fields));
    EXPECT_EQ(record.Snapshot().year, 2032);
    EXPECT_NE(ReadLog().find("time[20320101-000000]"), std::string::npos);
}

TEST_F(EventHandlerTest, StatusEventsAreLoggedAndLeaveTheRecordAlone) {
    BlockFields fields;
    fields.time = kMarch5th;
    DeliverBlock(MakeBlock(fields));
    testsupport::ClearLog();

    const uint32_t success[] = {1000};
    const uint32_t failure[] = {1002, 10};
    const uint32_t other[] = {1001};
    Deliver(kEventStatus, success, 4);
    Deliver(kEventStatus, success, 4);
    Deliver(kEventStatus, failure, 8);
    Deliver(kEventStatus, other, 4);
    Deliver(kEventStatus, nullptr, 4);  // nothing to read: an unknown status
    Deliver(kEventStatus, success, 2);  // too short to hold a status word
    EXPECT_EQ(ReadLog(),
              "NET_SDK_CALLBACK_STATUS_SUCCESS\r\n\r\n\r\n"
              "NET_SDK_CALLBACK_STATUS_SUCCESS\r\n\r\n\r\n"
              "NET_DVR_GET_MANUALTHERM_INFO failed, Code=10\r\n\r\n\r\n"
              "\r\n\r\n\r\n");
    EXPECT_EQ(record.Snapshot().eventCount, 1);
    EXPECT_EQ(record.Snapshot().year, 2024);
    EXPECT_EQ(record.EventText(), "");
}

TEST_F(EventHandlerTest, OtherKindsAreNamedByNumber) {
    Deliver(1, nullptr, 0);
    Deliver(-7, nullptr, 0);
    EXPECT_EQ(ReadLog(), "type=1\r\n\r\ntype=-7\r\n\r\n");
    EXPECT_EQ(record.Snapshot().eventCount, 0);
    EXPECT_EQ(record.EventText(), "type=-7\n");
}

TEST_F(EventHandlerTest, FreshRecordsHoldZeroes) {
    const MeasurementSnapshot snapshot = record.Snapshot();
    EXPECT_EQ(snapshot.eventCount, 0);
    EXPECT_EQ(snapshot.year, 0);
    EXPECT_EQ(snapshot.maxBits, 0u);
    EXPECT_EQ(snapshot.minBits, 0u);
    EXPECT_EQ(snapshot.avgBits, 0u);
}

TEST_F(EventHandlerTest, ReadingsKeepTheirExactBits) {
    auto block = MakeBlock(BlockFields{});
    testsupport::PutWord(block, 180, 0x7FA00001);  // a signalling NaN
    testsupport::PutWord(block, 184, 0xFFC12345);
    testsupport::PutWord(block, 188, 0x41CC0000);
    DeliverBlock(block);
    const MeasurementSnapshot snapshot = record.Snapshot();
    EXPECT_EQ(snapshot.maxBits, 0x7FA00001u);
    EXPECT_EQ(snapshot.minBits, 0xFFC12345u);
    EXPECT_EQ(snapshot.avgBits, 0x41CC0000u);
}

TEST_F(EventHandlerTest, EventsWithoutARecordAreIgnored) {
    const auto block = MakeBlock(BlockFields{});
    OnThermometryEvent(kEventData, const_cast<uint8_t*>(block.data()), 440, nullptr);
    EXPECT_FALSE(testsupport::LogWritten());
}

// A file log opens the file once per append: every event must reach the log in
// one append, with all of its lines.
TEST(EventAppendTest, EachEventReachesTheLogInOneAppend) {
    class CountingSink final : public LogSink {
    public:
        void Append(const char*, std::size_t) noexcept override { ++appends, ++lines; }
        void AppendLines(std::span<const std::string_view> batch) noexcept override {
            ++appends;
            lines += static_cast<int>(batch.size());
        }
        int appends = 0;
        int lines = 0;
    };
    const auto whole = MakeBlock(BlockFields{});
    const uint32_t success[] = {1000};
    const uint32_t failure[] = {1002, 10};
    const uint32_t other[] = {1001};
    const struct {
        const char* name;
        int32_t kind;
        const void* buffer;
        int32_t length;
        int lines;
    } cases[] = {
        {"whole block", kEventData, whole.data(), 440, 2},
        {"short block", kEventData, whole.data(), 439, 2},
        {"no block", kEventData, nullptr, 440, 2},
        {"success", kEventStatus, success, 4, 2},
        {"failure", kEventStatus, failure, 8, 2},
        {"other status", kEventStatus, other, 4, 1},
        {"other kind", 1, nullptr, 0, 1},
    };
    for (const auto& c : cases) {
        CountingSink sink;
        ThermometrySubscription record(1, 1, sink);
        OnThermometryEvent(c.kind, const_cast<void*>(c.buffer), c.length, &record);
        EXPECT_EQ(sink.appends, 1) << c.name;
        EXPECT_EQ(sink.lines, c.lines) << c.name;
    }
}

}  // namespace
}  // namespace orvane::thermometry
