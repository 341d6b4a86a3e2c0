#include "ptz_head.hpp"

#include <cstring>

#include "hcnetsdk_standin.h"

namespace standin {
namespace {

constexpr uint32_t kPositionCommand = 293;
constexpr uint32_t kRangeCommand = 294;
constexpr uint32_t kPositionSize = 8;
constexpr uint32_t kRangeSize = 12;

void putU16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

Outcome PtzHead::control(int32_t, uint32_t, uint32_t, uint32_t) { return Outcome::success(); }

Outcome PtzHead::preset(int32_t, uint32_t, uint32_t) { return Outcome::success(); }

Outcome PtzHead::readConfig(uint32_t command, void* out, uint32_t size, uint32_t* returnedSize) {
    if (out == nullptr) return Outcome::failure(STANDIN_ERROR_PARAMETER);
    auto* bytes = static_cast<uint8_t*>(out);
    std::lock_guard lock(mutex_);
    if (command == kPositionCommand) {
        if (size < kPositionSize) return Outcome::failure(STANDIN_ERROR_PARAMETER);
        std::memset(bytes, 0, kPositionSize);
        putU16(bytes + 2, pan_);
        putU16(bytes + 4, tilt_);
        putU16(bytes + 6, zoom_);
        if (returnedSize != nullptr) *returnedSize = kPositionSize;
        return Outcome::success();
    }
    if (command == kRangeCommand) {
        if (size < kRangeSize) return Outcome::failure(STANDIN_ERROR_PARAMETER);
        // Pan 0..3600, tilt 0..900, zoom 10..320 in binary-coded decimal.
        const uint16_t range[6] = {0x0000, 0x3600, 0x0000, 0x0900, 0x0010, 0x0320};
        for (int i = 0; i < 6; ++i) putU16(bytes + 2 * i, range[i]);
        if (returnedSize != nullptr) *returnedSize = kRangeSize;
        return Outcome::success();
    }
    return Outcome::failure(STANDIN_ERROR_NOT_SUPPORTED);
}

void PtzHead::reset() {
    std::lock_guard lock(mutex_);
    pan_ = 0;
    tilt_ = 0;
    zoom_ = 10;
}

}  // namespace standin
