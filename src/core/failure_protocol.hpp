// The per-operation failure protocol in one place: whether an operation checks
// that the SDK started, refusing with a code, and calling the SDK with the
// failure recorded when the call fails. Each operation states its policy with
// these in one line each.
#pragma once

#include <cstdint>

#include "core/library_state.hpp"
#include "core/platform/last_error.hpp"

namespace orvane {

enum class Readiness { Checked, Unchecked };

// Which operations refuse to run while the SDK is not ready. Logging out and the
// thermometry operations reach the SDK (or the subscription list) whatever its
// state, and the SDK answers for itself; with no SDK at all every operation
// refuses.
namespace readiness {
inline constexpr Readiness kLogin = Readiness::Checked;
inline constexpr Readiness kLogout = Readiness::Unchecked;
inline constexpr Readiness kPtzControl = Readiness::Checked;
inline constexpr Readiness kPresetCommand = Readiness::Checked;
inline constexpr Readiness kPtzQuery = Readiness::Checked;
inline constexpr Readiness kCapture = Readiness::Checked;
inline constexpr Readiness kThermometryStart = Readiness::Unchecked;
inline constexpr Readiness kThermometryStop = Readiness::Unchecked;
inline constexpr Readiness kThermometryRead = Readiness::Unchecked;
}  // namespace readiness

// True when the operation may go on: there is an SDK to call, and its policy does
// not check readiness or the SDK is ready. Otherwise records the not-ready
// failure and returns false.
template <Readiness policy>
bool Ready(LibraryState& library) noexcept {
    bool ready = library.SdkBound();
    if constexpr (policy == Readiness::Checked) ready = ready && library.SdkReady();
    if (!ready) library.RecordFailure();
    return ready;
}

// Refuses the operation with an SDK error code: the code becomes the thread's
// last-error value and the failure is recorded with its description. False.
inline bool Refuse(LibraryState& library, uint32_t code) noexcept {
    platform::SetLastError(code);
    library.RecordFailure();
    return false;
}

// Refuses the operation describing whatever the thread's last-error value holds
// now. False.
inline bool RefuseWithLastError(LibraryState& library) noexcept {
    library.RecordFailure();
    return false;
}

// Calls an SDK operation of the library's table (a member of SdkOps). A nonzero
// result is success; a zero result records the failure straight after the call,
// while the thread's last-error value is the SDK's.
template <class Operation, class... Arguments>
bool CallSdk(LibraryState& library, Operation operation, Arguments... arguments) noexcept {
    if ((library.Sdk().*operation)(arguments...) != 0) return true;
    library.RecordFailure();
    return false;
}

}  // namespace orvane
