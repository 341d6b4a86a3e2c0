#include "ptz_head.hpp"

#include <algorithm>
#include <cstring>

#include "hcnetsdk_standin.h"

namespace standin {
namespace {

constexpr uint32_t kPositionCommand = 293;
constexpr uint32_t kRangeCommand = 294;
constexpr uint32_t kPositionSize = 8;
constexpr uint32_t kRangeSize = 12;
constexpr uint32_t kSlowest = 1;
constexpr uint32_t kFastest = 7;

enum class Axis { pan, tilt, zoom };

struct AxisRange {
    uint16_t min;
    uint16_t max;
    uint16_t bcdMin;
    uint16_t bcdMax;
    int64_t unitsPerSecondPerSpeed;
};

constexpr AxisRange kPan{0, 3600, 0x0000, 0x3600, 20};
constexpr AxisRange kTilt{0, 900, 0x0000, 0x0900, 10};
constexpr AxisRange kZoom{10, 320, 0x0010, 0x0320, 4};

struct Direction {
    Axis axis;
    int sign;
};

std::optional<Direction> directionOf(uint32_t command) {
    switch (command) {
        case STANDIN_PTZ_PAN_LEFT:
            return Direction{Axis::pan, -1};
        case STANDIN_PTZ_PAN_RIGHT:
            return Direction{Axis::pan, +1};
        case STANDIN_PTZ_TILT_UP:
            return Direction{Axis::tilt, -1};
        case STANDIN_PTZ_TILT_DOWN:
            return Direction{Axis::tilt, +1};
        case STANDIN_PTZ_ZOOM_IN:
            return Direction{Axis::zoom, +1};
        case STANDIN_PTZ_ZOOM_OUT:
            return Direction{Axis::zoom, -1};
        default:
            return std::nullopt;
    }
}

const AxisRange& rangeOf(Axis axis) { return axis == Axis::pan ? kPan : axis == Axis::tilt ? kTilt : kZoom; }

uint16_t& valueOf(HeadPosition& position, Axis axis) {
    return axis == Axis::pan ? position.pan : axis == Axis::tilt ? position.tilt : position.zoom;
}

uint16_t clampTo(const AxisRange& range, int64_t value) {
    return static_cast<uint16_t>(std::clamp<int64_t>(value, range.min, range.max));
}

HeadPosition clamped(HeadPosition position) {
    position.pan = clampTo(kPan, position.pan);
    position.tilt = clampTo(kTilt, position.tilt);
    position.zoom = clampTo(kZoom, position.zoom);
    return position;
}

void putU16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

HeadPosition PtzHead::positionAt(int64_t nowMs) const {
    HeadPosition position = rest_;
    if (!motion_) return position;
    const Direction direction = *directionOf(motion_->command);
    const AxisRange& range = rangeOf(direction.axis);
    const int64_t elapsedMs = std::max<int64_t>(0, nowMs - motion_->startMs);
    const int64_t travelled = range.unitsPerSecondPerSpeed * motion_->speed * elapsedMs / 1000;
    uint16_t& value = valueOf(position, direction.axis);
    value = clampTo(range, value + direction.sign * travelled);
    return position;
}

void PtzHead::settle(int64_t nowMs) {
    rest_ = positionAt(nowMs);
    if (motion_) motion_->startMs = nowMs;
}

Outcome PtzHead::control(int32_t, uint32_t command, uint32_t stop, uint32_t speed) {
    if (!directionOf(command)) return Outcome::failure(STANDIN_ERROR_NOT_SUPPORTED);
    if (stop > 1) return Outcome::failure(STANDIN_ERROR_PARAMETER);
    if (stop == 0 && (speed < kSlowest || speed > kFastest)) return Outcome::failure(STANDIN_ERROR_PARAMETER);
    const int64_t now = clock_.nowMs();
    std::lock_guard lock(mutex_);
    settle(now);
    if (stop == 1) {
        // A stop ends whatever motion runs, as a camera's stop key does.
        motion_.reset();
    } else {
        motion_ = Motion{command, speed, now};
    }
    return Outcome::success();
}

Outcome PtzHead::preset(int32_t, uint32_t presetCommand, uint32_t presetIndex) {
    if (presetCommand != STANDIN_PRESET_SET && presetCommand != STANDIN_PRESET_CLEAR &&
        presetCommand != STANDIN_PRESET_GOTO) {
        return Outcome::failure(STANDIN_ERROR_NOT_SUPPORTED);
    }
    if (presetIndex < 1 || presetIndex > STANDIN_PRESET_COUNT)
        return Outcome::failure(STANDIN_ERROR_PARAMETER);
    const int64_t now = clock_.nowMs();
    std::lock_guard lock(mutex_);
    switch (presetCommand) {
        case STANDIN_PRESET_SET:
            presets_[presetIndex] = positionAt(now);
            return Outcome::success();
        case STANDIN_PRESET_CLEAR:
            presets_.erase(presetIndex);
            return Outcome::success();
        default: {
            const auto found = presets_.find(presetIndex);
            if (found == presets_.end()) return Outcome::failure(STANDIN_ERROR_PARAMETER);
            motion_.reset();
            rest_ = found->second;
            return Outcome::success();
        }
    }
}

Outcome PtzHead::readConfig(uint32_t command, void* out, uint32_t size, uint32_t* returnedSize) {
    if (out == nullptr) return Outcome::failure(STANDIN_ERROR_PARAMETER);
    auto* bytes = static_cast<uint8_t*>(out);
    if (command == kPositionCommand) {
        if (size < kPositionSize) return Outcome::failure(STANDIN_ERROR_PARAMETER);
        const HeadPosition now = position();
        std::memset(bytes, 0, kPositionSize);
        putU16(bytes + 2, now.pan);
        putU16(bytes + 4, now.tilt);
        putU16(bytes + 6, now.zoom);
        if (returnedSize != nullptr) *returnedSize = kPositionSize;
        return Outcome::success();
    }
    if (command == kRangeCommand) {
        if (size < kRangeSize) return Outcome::failure(STANDIN_ERROR_PARAMETER);
        const uint16_t range[6] = {kPan.bcdMin,  kPan.bcdMax,  kTilt.bcdMin,
                                   kTilt.bcdMax, kZoom.bcdMin, kZoom.bcdMax};
        for (int i = 0; i < 6; ++i) putU16(bytes + 2 * i, range[i]);
        if (returnedSize != nullptr) *returnedSize = kRangeSize;
        return Outcome::success();
    }
    return Outcome::failure(STANDIN_ERROR_NOT_SUPPORTED);
}

HeadPosition PtzHead::position() {
    const int64_t now = clock_.nowMs();
    std::lock_guard lock(mutex_);
    return positionAt(now);
}

void PtzHead::setPosition(HeadPosition position) {
    std::lock_guard lock(mutex_);
    motion_.reset();
    rest_ = clamped(position);
}

bool PtzHead::isMoving() {
    std::lock_guard lock(mutex_);
    return motion_.has_value();
}

void PtzHead::reset() {
    std::lock_guard lock(mutex_);
    rest_ = HeadPosition{};
    motion_.reset();
    presets_.clear();
}

}  // namespace standin
