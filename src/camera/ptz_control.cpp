#include "camera/ptz_control.hpp"

namespace orvane::camera {

bool PtzControl(LibraryState& library, int32_t userId, int32_t channel, uint32_t command,
                uint32_t startFlag) noexcept {
    if (!library.SdkReady()) {
        library.RecordFailure();
        return false;
    }
    if (library.Sdk().ptzControlWithSpeed(userId, channel, command, StopFlagFor(startFlag), kPtzSpeed) != 0) {
        return true;
    }
    library.RecordFailure();
    return false;
}

bool PresetCommand(LibraryState& library, int32_t userId, int32_t channel, uint32_t presetIndex,
                   uint32_t presetCommand) noexcept {
    if (!library.SdkReady() || !IsAcceptedPresetCommand(presetCommand)) {
        library.RecordFailure();
        return false;
    }
    // The SDK takes the command before the index.
    if (library.Sdk().ptzPreset(userId, channel, presetCommand, presetIndex) != 0) return true;
    library.RecordFailure();
    return false;
}

}  // namespace orvane::camera
