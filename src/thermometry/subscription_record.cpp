#include "thermometry/subscription_record.hpp"

#include <chrono>
#include <climits>
#include <cstring>
#include <new>
#include <string_view>

namespace orvane::thermometry {
namespace {

// A read that sees a writer publishing this many times in a row waits for it on
// the store lock instead (the writer was preempted mid-publish).
constexpr int kOptimisticReads = 64;

int64_t MonotonicNs() noexcept {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

ThermometrySubscription::ThermometrySubscription(int32_t userIdValue, int32_t channelValue, LogSink& logSink,
                                                 RuleKeeping ruleKeeping)
    : userId_(userIdValue),
      channel_(channelValue),
      log_(logSink),
      upload_(new uint8_t[kUploadSize]()),
      keepRules_(ruleKeeping == RuleKeeping::kKept) {}

// A sequence lock without fences: each published value is stored with release
// order after the odd version, and loaded with acquire order before the version
// is read again, so a read that saw any value of a publication sees the version
// moved and tries again. (Plain moves on x86; TSan sees every access.)
void ThermometrySubscription::PublishLocked() noexcept {
    constexpr auto kPublish = std::memory_order_release;
    const uint32_t version = version_.load(std::memory_order_relaxed);
    version_.store(version + 1, std::memory_order_relaxed);
    publishedCount_.store(eventCount_, kPublish);
    const int32_t time[6] = {time_.year, time_.month, time_.day, time_.hour, time_.minute, time_.second};
    for (int i = 0; i < 6; ++i) publishedTime_[i].store(time[i], kPublish);
    const std::size_t offsets[3] = {offsetof(ThermometryUpload, max), offsetof(ThermometryUpload, min),
                                    offsetof(ThermometryUpload, avg)};
    for (int i = 0; i < 3; ++i) {
        uint32_t bits;
        std::memcpy(&bits, upload_.get() + offsets[i], sizeof bits);
        publishedReadings_[i].store(bits, kPublish);
    }
    // A start under way has received nothing until its first event.
    const bool fresh = resetPending_;
    const SubscriptionState state = startState_ == SubscriptionState::kRunning && cameraFailing_
                                        ? SubscriptionState::kCameraFailing
                                        : startState_;
    publishedState_.store(static_cast<int32_t>(state), kPublish);
    publishedStatusEvents_.store(fresh ? 0 : eventCount_, kPublish);
    publishedLastDataNs_.store(fresh ? kNoData : lastDataNs_, kPublish);
    publishedCameraCode_.store(fresh ? 0 : cameraCode_, kPublish);
    version_.store(version + 2, std::memory_order_release);
}

// The first event of a restarted subscription: nothing of the old one stays.
void ThermometrySubscription::ClearIfRestartedLocked() noexcept {
    if (!resetPending_) return;
    ClearLocked();
    resetPending_ = false;
}

void ThermometrySubscription::ClearLocked() noexcept {
    eventCount_ = 0;
    time_ = DecodedTime{};
    std::memset(upload_.get(), 0, kUploadSize);
    lastDataNs_ = kNoData;
    cameraFailing_ = false;
    cameraCode_ = 0;
    rules_.Forget();
}

void ThermometrySubscription::RecordDataEvent(const ThermometryUpload* block) noexcept {
    const DecodedTime time = block != nullptr ? DecodePackedTime(block->time) : DecodedTime{};
    // Read before the lock, so that waiting for it does not count as silence.
    const int64_t now = MonotonicNs();
    std::lock_guard guard(storeLock_);
    ClearIfRestartedLocked();
    ++eventCount_;
    if (block != nullptr) {
        std::memcpy(upload_.get(), block, kUploadSize);
        time_ = time;
        if (keepRules_) rules_.Record(*block, time);
    }
    lastDataNs_ = now;
    // Data again: the camera delivers, whatever it reported before. Its code
    // stays for the host to see.
    cameraFailing_ = false;
    PublishLocked();
}

void ThermometrySubscription::RecordCameraFailure(int32_t code) noexcept {
    std::lock_guard guard(storeLock_);
    ClearIfRestartedLocked();
    cameraFailing_ = true;
    cameraCode_ = code;
    PublishLocked();
}

template <class Copy>
void ThermometrySubscription::ReadPublished(Copy copy) const noexcept {
    for (int attempt = 0; attempt < kOptimisticReads; ++attempt) {
        const uint32_t before = version_.load(std::memory_order_acquire);
        if ((before & 1u) != 0) continue;
        copy();
        if (version_.load(std::memory_order_relaxed) == before) return;
    }
    std::lock_guard guard(storeLock_);
    copy();
}

SubscriptionStatus ThermometrySubscription::Status() const noexcept {
    constexpr auto kTake = std::memory_order_acquire;
    int32_t state = 0;
    int64_t lastDataNs = kNoData;
    SubscriptionStatus status{};
    ReadPublished([&] {
        state = publishedState_.load(kTake);
        status.dataEvents = publishedStatusEvents_.load(kTake);
        lastDataNs = publishedLastDataNs_.load(kTake);
        status.cameraCode = publishedCameraCode_.load(kTake);
    });
    status.state = static_cast<SubscriptionState>(state);
    if (lastDataNs == kNoData) {
        status.msSinceData = -1;
    } else {
        const int64_t ms = (MonotonicNs() - lastDataNs) / 1000000;
        status.msSinceData = ms < 0 ? 0 : (ms > INT32_MAX ? INT32_MAX : static_cast<int32_t>(ms));
    }
    return status;
}

MeasurementSnapshot ThermometrySubscription::Snapshot() const noexcept {
    MeasurementSnapshot snapshot;
    constexpr auto kTake = std::memory_order_acquire;
    auto copy = [&] {
        snapshot.eventCount = publishedCount_.load(kTake);
        snapshot.year = publishedTime_[0].load(kTake);
        snapshot.month = publishedTime_[1].load(kTake);
        snapshot.day = publishedTime_[2].load(kTake);
        snapshot.hour = publishedTime_[3].load(kTake);
        snapshot.minute = publishedTime_[4].load(kTake);
        snapshot.second = publishedTime_[5].load(kTake);
        snapshot.maxBits = publishedReadings_[0].load(kTake);
        snapshot.minBits = publishedReadings_[1].load(kTake);
        snapshot.avgBits = publishedReadings_[2].load(kTake);
    };
    ReadPublished(copy);
    return snapshot;
}

void ThermometrySubscription::ConfirmStop() noexcept {
    stopConfirmed_.store(true, std::memory_order_release);
    std::lock_guard guard(storeLock_);
    startState_ = SubscriptionState::kStopped;
    PublishLocked();
}

void ThermometrySubscription::BeginRestart() noexcept {
    previousHandle_ = Handle();
    previouslyStopped_ = stopConfirmed_;
    stopConfirmed_ = false;
    std::lock_guard guard(storeLock_);
    resetPending_ = true;
    startState_ = SubscriptionState::kStarting;
    PublishLocked();
}

void ThermometrySubscription::EndRestart(bool started) noexcept {
    const bool restored = !started && previousHandle_ >= 0;
    if (restored) {
        // The subscription the record held before answers on, and a stop acts
        // on its handle as if the record had not been reused.
        SetHandle(previousHandle_);
        stopConfirmed_ = previouslyStopped_;
    }
    std::lock_guard guard(storeLock_);
    if (started && resetPending_) ClearLocked();
    resetPending_ = false;
    if (started) {
        startState_ = SubscriptionState::kRunning;
    } else if (restored) {
        startState_ = previouslyStopped_ ? SubscriptionState::kStopped : SubscriptionState::kRunning;
    } else {
        startState_ = SubscriptionState::kStartFailed;
    }
    PublishLocked();
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
