#include "core/library_state.hpp"

#include "core/platform/last_error.hpp"
#include "core/sdk_error_text.hpp"

namespace orvane {
namespace {

// What an unbound library's table refers to: no operation at all. Nothing calls
// it, since every operation first asks whether the SDK is bound.
constexpr sdk::SdkOps kNoSdk{};

}  // namespace

LibraryState::LibraryState(const sdk::SdkOps& sdk, thermometry::LogSink& log) noexcept
    : LibraryState(&sdk, log) {}

LibraryState::LibraryState(const sdk::SdkOps* sdk, thermometry::LogSink& log) noexcept
    : sdk_(sdk != nullptr ? *sdk : kNoSdk), log_(log), sdkBound_(sdk != nullptr), subscriptions_(sdk_, log) {
    if (sdkBound_) sdkReady_.store(sdk_.init() != 0, std::memory_order_release);
}

LibraryState::~LibraryState() {
    ShutDownSdk();
    subscriptions_.DestroyAll();
    lastFailure_.Release();
}

void LibraryState::EndWithThreadsEnded() noexcept {
    ShutDownSdk();
    subscriptions_.StopAllLive();
}

void LibraryState::EndWithCallInside() noexcept { sdkReady_.store(false, std::memory_order_release); }

// Without a bound SDK there is nothing to clean up (and no function to call).
void LibraryState::ShutDownSdk() noexcept {
    sdkReady_.store(false, std::memory_order_release);
    if (sdkBound_) sdk_.cleanup();
}

void LibraryState::RecordFailure() noexcept {
    if (!SdkReady()) {
        try {
            lastFailure_.Replace(std::u16string(kSdkNotReadyText), kSdkNotReadyCode);
        } catch (...) {
            // Out of memory: the record keeps its previous text.
        }
        return;
    }
    // Read before anything else can touch the thread's last-error value.
    const uint32_t code = platform::LastError();
    try {
        lastFailure_.Replace(DescribeSdkError(code), static_cast<int32_t>(code));
    } catch (...) {
        // Out of memory: the record keeps its previous text.
    }
}

}  // namespace orvane
