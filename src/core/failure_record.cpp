#include "core/failure_record.hpp"

#include <utility>

#include "core/host_text.hpp"

namespace orvane {

void FailureRecord::Replace(std::u16string text, int32_t code) noexcept {
    {
        std::lock_guard lock(mutex_);
        text_.swap(text);
        code_ = code;
    }
    // `text` now holds the previous record and is released here, outside the lock.
}

std::u16string FailureRecord::Text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

int32_t FailureRecord::Code() const noexcept {
    std::lock_guard lock(mutex_);
    return code_;
}

int32_t FailureRecord::CopyTo(uint16_t* buffer, int32_t capacity) const noexcept {
    std::lock_guard lock(mutex_);
    return CopyToHostBuffer(text_, buffer, capacity);
}

void FailureRecord::Release() noexcept { Replace(std::u16string(), 0); }

}  // namespace orvane
