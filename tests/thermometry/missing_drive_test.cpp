// A log file whose folder does not exist, as the log on a machine without drive D.
#include <gtest/gtest.h>

#include "support/log_lines.hpp"
#include "support/log_support.hpp"
#include "thermometry/event_handler.hpp"
#include "thermometry/log_sink.hpp"
#include "thermometry/subscription_record.hpp"

namespace orvane::thermometry {
namespace {

TEST(MissingDriveTest, LinesAreLostSilentlyAndEventsStillReachTheRecord) {
    const std::string path = testsupport::ScratchFilePath("orvane-no-drive", false);
    FileLogSink log(path);
    testsupport::WriteLogLine(log, "abc");
    ThermometrySubscription record(1, 1, log);
    testsupport::BlockFields fields;
    fields.time = 0x60CA91C3;
    fields.calibType = 2;
    auto block = testsupport::MakeBlock(fields);
    OnThermometryEvent(kEventData, block.data(), 440, &record);
    const uint32_t status[] = {1000};
    OnThermometryEvent(kEventStatus, const_cast<uint32_t*>(status), 4, &record);
    EXPECT_EQ(record.Snapshot().eventCount, 1);
    EXPECT_EQ(record.Snapshot().year, 2024);
    EXPECT_FALSE(testsupport::FileExists(path));
}

}  // namespace
}  // namespace orvane::thermometry
