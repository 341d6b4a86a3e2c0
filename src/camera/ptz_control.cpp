#include "camera/ptz_control.hpp"

#include "core/failure_protocol.hpp"

namespace orvane::camera {

bool PtzControl(LibraryState& library, int32_t userId, int32_t channel, uint32_t command,
                uint32_t startFlag) noexcept {
    if (!Ready<readiness::kPtzControl>(library)) return false;
    return CallSdk(library, &sdk::SdkOps::ptzControlWithSpeed, userId, channel, command,
                   StopFlagFor(startFlag), kPtzSpeed);
}

bool PresetCommand(LibraryState& library, int32_t userId, int32_t channel, uint32_t presetIndex,
                   uint32_t presetCommand) noexcept {
    if (!Ready<readiness::kPresetCommand>(library)) return false;
    // Compatibility: a command other than 8, 9 and 39 is refused with whatever
    // the thread's last-error value happens to hold, not with an error code of
    // its own. Hosts match the recorded text; keep it so.
    if (!IsAcceptedPresetCommand(presetCommand)) return RefuseWithLastError(library);
    // The SDK takes the command before the index.
    return CallSdk(library, &sdk::SdkOps::ptzPreset, userId, channel, presetCommand, presetIndex);
}

}  // namespace orvane::camera
