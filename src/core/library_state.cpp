#include "core/library_state.hpp"

#include "core/platform/last_error.hpp"
#include "core/sdk_error_text.hpp"

namespace orvane {

LibraryState::LibraryState(const sdk::SdkOps& sdk, thermometry::LogSink& log) noexcept
    : sdk_(sdk), log_(log), subscriptionList(sdk, log) {
    sdkReady.store(sdk_.init() != 0, std::memory_order_release);
}

LibraryState::~LibraryState() {
    sdkReady.store(false, std::memory_order_release);
    sdk_.cleanup();
    subscriptionList.DestroyAll();
    lastFailureText.Release();
}

void LibraryState::RecordFailure() noexcept {
    if (!SdkReady()) {
        try {
            lastFailureText.Replace(std::u16string(kSdkNotReadyText), kSdkNotReadyCode);
        } catch (...) {
            // Out of memory: the record keeps its previous text.
        }
        return;
    }
    // Read before anything else can touch the thread's last-error value.
    const uint32_t code = platform::LastError();
    try {
        lastFailureText.Replace(DescribeSdkError(code), static_cast<int32_t>(code));
    } catch (...) {
        // Out of memory: the record keeps its previous text.
    }
}

}  // namespace orvane
