#include "thermometry/subscription_record.hpp"

#include <cstring>
#include <new>
#include <string_view>

namespace orvane::thermometry {
namespace {

// A read that sees a writer publishing this many times in a row waits for it on
// the store lock instead (the writer was preempted mid-publish).
constexpr int kOptimisticReads = 64;

}  // namespace

ThermometrySubscription::ThermometrySubscription(int32_t userIdValue, int32_t channelValue, LogSink& logSink)
    : userId(userIdValue), channel(channelValue), log(logSink), upload(new uint8_t[kUploadSize]()) {}

void ThermometrySubscription::PublishLocked() noexcept {
    const uint32_t version = version_.load(std::memory_order_relaxed);
    // No fences (which ThreadSanitizer cannot follow): every published word is
    // stored with release, so a reader that takes one of them with acquire also
    // sees the odd version stored before it, and retries.
    version_.store(version + 1, std::memory_order_relaxed);
    publishedCount_.store(eventCount.load(std::memory_order_relaxed), std::memory_order_release);
    const int32_t time[6] = {year, month, day, hour, minute, second};
    for (int i = 0; i < 6; ++i) publishedTime_[i].store(time[i], std::memory_order_release);
    const std::size_t offsets[3] = {offsetof(ThermometryUpload, max), offsetof(ThermometryUpload, min),
                                    offsetof(ThermometryUpload, avg)};
    for (int i = 0; i < 3; ++i) {
        uint32_t bits;
        std::memcpy(&bits, upload.get() + offsets[i], sizeof bits);
        publishedReadings_[i].store(bits, std::memory_order_release);
    }
    version_.store(version + 2, std::memory_order_release);
}

void ThermometrySubscription::ClearLocked() noexcept {
    eventCount.store(0, std::memory_order_relaxed);
    year = month = day = hour = minute = second = 0;
    std::memset(upload.get(), 0, kUploadSize);
}

void ThermometrySubscription::RecordDataEvent(const ThermometryUpload* block) noexcept {
    const DecodedTime time = block != nullptr ? DecodePackedTime(block->time) : DecodedTime{};
    std::lock_guard guard(storeLock_);
    if (resetPending_) {
        // The first event of a restarted subscription: nothing of the old one stays.
        ClearLocked();
        resetPending_ = false;
    }
    eventCount.fetch_add(1, std::memory_order_relaxed);
    if (block != nullptr) {
        std::memcpy(upload.get(), block, kUploadSize);
        year = time.year;
        month = time.month;
        day = time.day;
        hour = time.hour;
        minute = time.minute;
        second = time.second;
    }
    PublishLocked();
}

MeasurementSnapshot ThermometrySubscription::Snapshot() const noexcept {
    MeasurementSnapshot snapshot;
    auto copy = [&] {
        // Acquire on each word, so the version read after them is at least the
        // one stored before the newest word seen (see PublishLocked).
        snapshot.eventCount = publishedCount_.load(std::memory_order_acquire);
        snapshot.year = publishedTime_[0].load(std::memory_order_acquire);
        snapshot.month = publishedTime_[1].load(std::memory_order_acquire);
        snapshot.day = publishedTime_[2].load(std::memory_order_acquire);
        snapshot.hour = publishedTime_[3].load(std::memory_order_acquire);
        snapshot.minute = publishedTime_[4].load(std::memory_order_acquire);
        snapshot.second = publishedTime_[5].load(std::memory_order_acquire);
        snapshot.maxBits = publishedReadings_[0].load(std::memory_order_acquire);
        snapshot.minBits = publishedReadings_[1].load(std::memory_order_acquire);
        snapshot.avgBits = publishedReadings_[2].load(std::memory_order_acquire);
    };
    for (int attempt = 0; attempt < kOptimisticReads; ++attempt) {
        const uint32_t before = version_.load(std::memory_order_acquire);
        if ((before & 1u) != 0) continue;
        copy();
        if (version_.load(std::memory_order_relaxed) == before) return snapshot;
    }
    std::lock_guard guard(storeLock_);
    copy();
    return snapshot;
}

void ThermometrySubscription::BeginRestart() noexcept {
    std::lock_guard guard(storeLock_);
    resetPending_ = true;
}

void ThermometrySubscription::EndRestart(bool started) noexcept {
    std::lock_guard guard(storeLock_);
    if (started && resetPending_) {
        ClearLocked();
        PublishLocked();
    }
    resetPending_ = false;
}

std::unique_lock<std::mutex> ThermometrySubscription::LockEventText() const {
    return std::unique_lock(textLock_);
}

char* ThermometrySubscription::EventTextBuffer() noexcept {
    if (text_ == nullptr) text_.reset(new (std::nothrow) char[kEventTextCapacity]);
    return text_.get();
}

void ThermometrySubscription::SetEventTextSize(std::size_t size) noexcept { textSize_ = size; }

std::string ThermometrySubscription::EventText() const {
    std::lock_guard guard(textLock_);
    std::string_view bytes(text_.get(), textSize_);
    // The log line's own closing line end is not part of the text.
    if (bytes.size() >= 2) bytes.remove_suffix(2);
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    return text;
}

}  // namespace orvane::thermometry
