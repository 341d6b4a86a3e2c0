// One realtime thermometry subscription: who it was started for, the SDK's handle,
// and the newest measurement the SDK delivered for it.
//
// SDK threads write a record while host threads read it. The measurement (event
// count, time fields, measurement block) and the event text are guarded by a
// small per-record lock that is held only while they are copied in or out, never
// while text is formatted or the log is written, so neither side ever waits
// longer than one copy of a 440-byte block.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "thermometry/log_sink.hpp"
#include "thermometry/thermometry_upload.hpp"

namespace orvane::thermometry {

// What a read sees: the count and the date, time and readings of one data event.
struct MeasurementSnapshot {
    int32_t eventCount;
    int32_t year;
    int32_t month;
    int32_t day;
    int32_t hour;
    int32_t minute;
    int32_t second;
    uint32_t maxBits;
    uint32_t minBits;
    uint32_t avgBits;
};

struct ThermometrySubscription {
    // `log` receives the account of every event; it outlives the record.
    ThermometrySubscription(int32_t userId, int32_t channel, LogSink& log);

    const int32_t userId;
    const int32_t channel;
    LogSink& log;
    // Handle of the SDK's remote configuration; negative when the start failed.
    std::atomic<int32_t> configHandle{-1};
    // Data events received; only ever grows. Raised under the lock together
    // with the storing of the event's block.
    std::atomic<int32_t> eventCount{0};
    // Time of the newest measurement block; guarded by the lock.
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    // Copy of the newest measurement block, zeroed until the first one arrives;
    // guarded by the lock.
    std::unique_ptr<uint8_t[]> upload;
    // Diagnostic text of the newest event; guarded by the lock.
    std::string eventText;

    // Counts one data event and keeps its block with the decoded time, in one
    // step, so that a read never sees the count of an event without its block.
    // A null block (the event brought no complete one) is only counted.
    void RecordDataEvent(const ThermometryUpload* block) noexcept;
    // The count with the date, time and readings of one stored block.
    MeasurementSnapshot Snapshot() const noexcept;
    // Replaces the event text with the text of the event just handled.
    void ReplaceEventText(std::string&& text) noexcept;
    std::string EventText() const;

private:
    mutable std::mutex lock_;
};

}  // namespace orvane::thermometry
