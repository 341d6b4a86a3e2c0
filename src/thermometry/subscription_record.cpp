#include "thermometry/subscription_record.hpp"

#include <cstring>

namespace orvane::thermometry {

ThermometrySubscription::ThermometrySubscription(int32_t userIdValue, int32_t channelValue, LogSink& logSink)
    : userId(userIdValue), channel(channelValue), log(logSink), upload(new uint8_t[kUploadSize]()) {}

void ThermometrySubscription::RecordDataEvent(const ThermometryUpload* block) noexcept {
    if (block == nullptr) {
        std::lock_guard guard(lock_);
        eventCount.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    const DecodedTime time = DecodePackedTime(block->time);
    std::lock_guard guard(lock_);
    eventCount.fetch_add(1, std::memory_order_relaxed);
    std::memcpy(upload.get(), block, kUploadSize);
    year = time.year;
    month = time.month;
    day = time.day;
    hour = time.hour;
    minute = time.minute;
    second = time.second;
}

MeasurementSnapshot ThermometrySubscription::Snapshot() const noexcept {
    MeasurementSnapshot snapshot;
    std::lock_guard guard(lock_);
    snapshot.eventCount = eventCount.load(std::memory_order_relaxed);
    snapshot.year = year;
    snapshot.month = month;
    snapshot.day = day;
    snapshot.hour = hour;
    snapshot.minute = minute;
    snapshot.second = second;
    std::memcpy(&snapshot.maxBits, upload.get() + offsetof(ThermometryUpload, max), 4);
    std::memcpy(&snapshot.minBits, upload.get() + offsetof(ThermometryUpload, min), 4);
    std::memcpy(&snapshot.avgBits, upload.get() + offsetof(ThermometryUpload, avg), 4);
    return snapshot;
}

void ThermometrySubscription::ReplaceEventText(std::string&& text) noexcept {
    std::string previous;
    {
        std::lock_guard guard(lock_);
        previous.swap(eventText);
        eventText.swap(text);
    }
    // The previous text is released here, outside the lock.
}

std::string ThermometrySubscription::EventText() const {
    std::lock_guard guard(lock_);
    return eventText;
}

}  // namespace orvane::thermometry
