// One realtime thermometry subscription: who it was started for, the SDK's handle,
// the newest measurement the SDK delivered for it, and how it is doing.
//
// SDK threads write a record while host threads read it. Writers of the
// measurement and of the status (events, and the start and stop as they change
// the state) take a small per-record lock among themselves and publish each
// change under a sequence counter, so a read never waits for a writer: it
// copies the published values and retries in the rare case that a writer
// published meanwhile. The event text has a lock of its own, held while an
// event's text is rendered and logged; no read of the measurement takes it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "thermometry/log_sink.hpp"
#include "thermometry/rule_readings.hpp"
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

// How a subscription is doing, as a host sees it (the values of
// CamThermometryStatus, which says what each means).
enum class SubscriptionState : int32_t {
    kRunning = 1,
    kStopped = 2,
    kStartFailed = 3,
    kCameraFailing = 4,
    kStarting = 5,
};

// What a status query sees, from one publication of the record.
struct SubscriptionStatus {
    SubscriptionState state;
    int32_t dataEvents;
    int32_t msSinceData;  // -1 before the first data event; saturates at INT32_MAX
    int32_t cameraCode;   // of the newest status other than success; 0 if none
};

// Room for the longest event text: a data event's second log line.
inline constexpr std::size_t kEventTextCapacity = 2560;

// Whether a record keeps each rule's newest event apart; only benchmarks that
// price that bookkeeping turn it off.
enum class RuleKeeping { kKept, kNotKept };

class ThermometrySubscription {
public:
    // Events of the record are logged to `log`.
    ThermometrySubscription(int32_t userId, int32_t channel, LogSink& log,
                            RuleKeeping ruleKeeping = RuleKeeping::kKept);

    int32_t UserId() const noexcept { return userId_; }
    int32_t Channel() const noexcept { return channel_; }
    LogSink& Log() const noexcept { return log_; }

    // The SDK's handle of the record's current subscription; negative when its
    // start failed. Set by the start, under the pair's start/stop lock.
    int32_t Handle() const noexcept { return configHandle_.load(std::memory_order_acquire); }
    void SetHandle(int32_t handle) noexcept { configHandle_.store(handle, std::memory_order_release); }

    // Kept by the subscription list under the pair's start/stop lock.
    // Whether the SDK confirmed the stop of the current handle. Confirming it
    // publishes the stopped state.
    bool StopConfirmed() const noexcept { return stopConfirmed_.load(std::memory_order_acquire); }
    void ConfirmStop() noexcept;
    // Started and not confirmed stopped: the SDK may still call back for it.
    bool Live() const noexcept { return Handle() >= 0 && !StopConfirmed(); }
    // The next record of the pair that may be reused (the pair's free list).
    ThermometrySubscription* NextReusable() const noexcept { return nextReusable_; }
    void SetNextReusable(ThermometrySubscription* next) noexcept { nextReusable_ = next; }

    // Counts one data event and keeps its block with the decoded time, in one
    // step, so that a read never sees the count of an event without its block;
    // the block is also kept as its rule's newest event. A null block (the
    // event brought no complete one) is only counted.
    // Also notes when the event arrived (one read of the monotonic clock) and
    // that the subscription delivers again after a camera failure.
    void RecordDataEvent(const ThermometryUpload* block) noexcept;
    // The camera reported something other than success (any status but 1000):
    // it does not deliver, and counts as failing with `code` (the SDK's code of
    // a status 1002, 0 for any other) until its next data event.
    void RecordCameraFailure(int32_t code) noexcept;
    // The subscription's state, data events, time since its newest data and
    // newest camera failure code, all from one publication; lock-free like
    // Snapshot.
    SubscriptionStatus Status() const noexcept;
    // The count with the date, time and readings of one stored block. Never
    // waits for a writer unless one is preempted in the middle of publishing.
    MeasurementSnapshot Snapshot() const noexcept;
    // Each rule's newest event of the current subscription: forgotten with the
    // measurement when a restart clears it, kept when a stop is confirmed.
    const RuleReadings& Rules() const noexcept { return rules_; }

    // A start on the record (its first, or the reuse of the record for a new
    // subscription of its pair), under the pair's lock. Between the two calls
    // the status is "starting", with nothing received yet, while reads still
    // get the measurement the record kept; the first event of the new
    // subscription replaces that as a fresh one (data: count 1). Ending a start
    // that succeeded without such an event clears the measurement (count 0);
    // ending one that failed keeps it, and the record gets back the handle and
    // stop state it had, so that it goes on answering as the subscription it
    // was (or as a failed start, when it had none).
    void BeginRestart() noexcept;
    void EndRestart(bool started) noexcept;

    // The text of the event handled last, line feeds as line feeds.
    std::string EventText() const;
    // The event handler renders an event's text in place, holding the lock the
    // first call returns while it renders and logs: the buffer (room for
    // kEventTextCapacity bytes, null when it cannot be allocated) and then the
    // size of the text, stored with CR LF line ends as the log has them.
    [[nodiscard]] std::unique_lock<std::mutex> LockEventText() const;
    char* EventTextBuffer() noexcept;
    void SetEventTextSize(std::size_t size) noexcept;

private:
    void PublishLocked() noexcept;
    void ClearLocked() noexcept;
    void ClearIfRestartedLocked() noexcept;
    // Copies published values with `copy` until no writer published meanwhile.
    template <class Copy>
    void ReadPublished(Copy copy) const noexcept;

    const int32_t userId_;
    const int32_t channel_;
    LogSink& log_;
    std::atomic<int32_t> configHandle_{-1};
    std::atomic<bool> stopConfirmed_{false};
    ThermometrySubscription* nextReusable_ = nullptr;
    // What a restart replaced, given back when it fails.
    int32_t previousHandle_ = -1;
    bool previouslyStopped_ = false;

    // The current subscription's measurement, written under the store lock:
    // data events received (raised together with the storing of the event's
    // block), the time of the newest block, and a copy of that block, zeroed
    // until the first one arrives. Reads see them only as published.
    int32_t eventCount_ = 0;
    DecodedTime time_{};
    std::unique_ptr<uint8_t[]> upload_;

    // Writers of the measurement.
    mutable std::mutex storeLock_;
    const bool keepRules_;
    RuleReadings rules_{storeLock_};
    bool resetPending_ = false;
    // Odd while a writer publishes; readers retry when it moved.
    std::atomic<uint32_t> version_{0};
    std::atomic<int32_t> publishedCount_{0};
    std::atomic<int32_t> publishedTime_[6] = {};
    std::atomic<uint32_t> publishedReadings_[3] = {};
    // Status bookkeeping, published with the measurement: where the start
    // stands (starting, running, stopped or failed; set by the start, the
    // stop and their ends), the monotonic time of the newest data event
    // (kNoData before the first), and the newest camera failure with whether
    // data arrived since. The status fields are published apart from the
    // measurement, because a start under way shows nothing received while
    // reads keep the measurement.
    static constexpr int64_t kNoData = INT64_MIN;
    SubscriptionState startState_ = SubscriptionState::kStarting;
    int64_t lastDataNs_ = kNoData;
    bool cameraFailing_ = false;
    int32_t cameraCode_ = 0;
    std::atomic<int32_t> publishedState_{static_cast<int32_t>(SubscriptionState::kStarting)};
    std::atomic<int32_t> publishedStatusEvents_{0};
    std::atomic<int64_t> publishedLastDataNs_{kNoData};
    std::atomic<int32_t> publishedCameraCode_{0};

    // The event text as it was written to the log (CR LF line ends), rendered
    // in place; allocated at the first event.
    mutable std::mutex textLock_;
    std::unique_ptr<char[]> text_;
    std::size_t textSize_ = 0;
};

}  // namespace orvane::thermometry
