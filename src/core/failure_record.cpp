#include "core/failure_record.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <utility>

namespace orvane {

void FailureRecord::Replace(std::u16string text) noexcept {
    {
        std::lock_guard lock(mutex_);
        text_.swap(text);
    }
    // `text` now holds the previous record and is released here, outside the lock.
}

std::u16string FailureRecord::Text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

int32_t FailureRecord::CopyTo(uint16_t* buffer, int32_t capacity) const noexcept {
    std::lock_guard lock(mutex_);
    const std::size_t length = text_.size();
    if (buffer != nullptr && capacity > 0) {
        const std::size_t count = std::min(length, static_cast<std::size_t>(capacity) - 1);
        std::transform(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(count), buffer,
                       [](char16_t unit) { return static_cast<uint16_t>(unit); });
        buffer[count] = 0;
    }
    return static_cast<int32_t>(std::min<std::size_t>(length, std::numeric_limits<int32_t>::max()));
}

void FailureRecord::Release() noexcept { Replace(std::u16string()); }

}  // namespace orvane
