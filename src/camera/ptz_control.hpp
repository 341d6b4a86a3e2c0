// Starting and stopping PTZ motion, and preset commands.
#pragma once

#include <cstdint>

#include "core/library_state.hpp"

namespace orvane::camera {

// Every motion runs at this speed; the host cannot choose another.
inline constexpr uint32_t kPtzSpeed = 5;

// The SDK's stop flag for the host's start flag: the start flag's low byte with
// its lowest bit inverted (1 starts, 0 stops; the upper bytes never matter).
constexpr uint32_t StopFlagFor(uint32_t startFlag) noexcept { return (startFlag & 0xFFu) ^ 1u; }

// The three preset commands the library lets through, compared on all 32 bits.
constexpr bool IsAcceptedPresetCommand(uint32_t presetCommand) noexcept {
    return presetCommand == 8 || presetCommand == 9 || presetCommand == 39;
}

// Starts or stops a continuous motion. The command goes to the SDK unchanged.
bool PtzControl(LibraryState& library, int32_t userId, int32_t channel, uint32_t command,
                uint32_t startFlag) noexcept;

// Sends one of the accepted preset commands for a preset index. Any other
// command fails without reaching the SDK; the failure then describes whatever
// the calling thread's last-error value holds.
bool PresetCommand(LibraryState& library, int32_t userId, int32_t channel, uint32_t presetIndex,
                   uint32_t presetCommand) noexcept;

}  // namespace orvane::camera
