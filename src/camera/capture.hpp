// Having the camera write a JPEG snapshot to a file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "core/library_state.hpp"

namespace orvane::camera {

static_assert(std::endian::native == std::endian::little, "SDK records are little-endian");

// The picture parameters of every snapshot: the bytes FF 00 01 00.
struct CaptureParams {
    uint16_t pictureSize;
    uint16_t pictureQuality;
};
static_assert(sizeof(CaptureParams) == 4);
static_assert(offsetof(CaptureParams, pictureSize) == 0);
static_assert(offsetof(CaptureParams, pictureQuality) == 2);

inline constexpr uint16_t kPictureSize = 0x00FF;
inline constexpr uint16_t kPictureQuality = 1;

// The SDK's code for a bad argument, left in the thread's last-error value when
// the host passes no path, so that the failure record describes it.
inline constexpr uint32_t kParameterErrorCode = 17;

// Has the SDK write a snapshot of the channel to the path, which it receives as
// a byte-for-byte copy (an empty path too). A null path fails without an SDK call.
bool Capture(LibraryState& library, int32_t userId, int32_t channel, const char* filePath) noexcept;

}  // namespace orvane::camera
