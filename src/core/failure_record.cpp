#include "core/failure_record.hpp"

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

void FailureRecord::Release() noexcept { Replace(std::u16string()); }

}  // namespace orvane
