// The one process-wide state of the library: whether the SDK started, the record
// of the latest failure, and the thermometry subscriptions. Constructing it is the
// library's load (it starts the SDK); destroying it is the unload.
#pragma once

#include <atomic>
#include <string>

#include "core/failure_record.hpp"
#include "core/sdk_ops.hpp"
#include "thermometry/subscription_list.hpp"

namespace orvane {

class LibraryState {
public:
    // Load: starts the SDK once and remembers whether it started. The diagnostic
    // log goes to `log` (the shipped library's is the log file).
    explicit LibraryState(const sdk::SdkOps& sdk,
                          thermometry::LogSink& log = thermometry::SystemLogSink()) noexcept;
    // Load with no SDK to call when `sdk` is null (its library or one of its
    // operations could not be found): the SDK is not started, and no operation
    // reaches it.
    explicit LibraryState(const sdk::SdkOps* sdk,
                          thermometry::LogSink& log = thermometry::SystemLogSink()) noexcept;
    // Unload: marks the SDK not ready, shuts it down, stops and destroys every
    // subscription first to last, then releases the failure record.
    ~LibraryState();
    // The end of a process whose other threads the system ended wherever they
    // stood: each may have held any lock of the state, and none is ever
    // released. Does what the unload does with the SDK (marks it not ready,
    // shuts it down, then stops each live subscription first to last) but takes
    // no lock and releases nothing; the process's end reclaims the memory. The
    // state is not destroyed after.
    void EndWithThreadsEnded() noexcept;
    // The end of a process in which a call is still inside an export after the
    // drain limit, most likely blocked in the SDK: marks the SDK not ready and
    // calls nothing more in it (a shutdown under a running call could pull the
    // call's state from under it), and stops and releases nothing, so that the
    // call, when it returns, never reads freed memory. The state is not
    // destroyed after, and the SDK must stay mapped.
    void EndWithCallInside() noexcept;
    LibraryState(const LibraryState&) = delete;
    LibraryState& operator=(const LibraryState&) = delete;

    // The SDK's table; call it only when SdkBound().
    const sdk::SdkOps& Sdk() const noexcept { return sdk_; }
    // Whether there is an SDK to call at all, started or not.
    bool SdkBound() const noexcept { return sdkBound_; }
    bool SdkReady() const noexcept { return sdkReady_.load(std::memory_order_acquire); }

    // Records why the calling export failed: the SDK-not-started text while the
    // SDK is not ready, else the description of the calling thread's last-error
    // value. Call it directly after the failed SDK call.
    void RecordFailure() noexcept;

    // A copy of the latest failure text (empty before the first failure).
    std::u16string LastFailureText() const { return lastFailure_.Text(); }
    // Copies the latest failure text into a host's buffer (see FailureRecord::CopyTo).
    int32_t CopyLastFailureText(uint16_t* buffer, int32_t capacity) const noexcept {
        return lastFailure_.CopyTo(buffer, capacity);
    }
    // The code of the latest failure text: the last-error value it describes,
    // kSdkNotReadyCode for the SDK-not-started text, 0 before the first failure.
    int32_t LastFailureCode() const noexcept { return lastFailure_.Code(); }
    thermometry::SubscriptionList& Subscriptions() noexcept { return subscriptions_; }
    thermometry::LogSink& Log() const noexcept { return log_; }

private:
    void ShutDownSdk() noexcept;

    const sdk::SdkOps& sdk_;
    thermometry::LogSink& log_;
    const bool sdkBound_;
    std::atomic<bool> sdkReady_{false};
    // Declared before the list, so the list is destroyed first.
    FailureRecord lastFailure_;
    thermometry::SubscriptionList subscriptions_;
};

}  // namespace orvane
