// The library's account of its most recent failure: one UTF-16 text, replaced
// whole by each new failure. Host threads may replace it at the same moment; a
// short lock around the exchange keeps the text whole and frees each old text
// exactly once.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace orvane {

class FailureRecord {
public:
    // Takes over `text` (its storage moves in) and releases the previous text,
    // after the lock is dropped.
    void Replace(std::u16string text) noexcept;
    // A copy of the text held now.
    std::u16string Text() const;
    // Copies the text held now into a host's buffer of `capacity` UTF-16 units:
    // the first min(length, capacity - 1) units and a terminating 0, nothing at
    // all for a null buffer or a capacity of 0 or less. Returns the full length,
    // so that a host can size its buffer and ask again. Copies under the lock,
    // so a text being replaced meanwhile is never seen half.
    int32_t CopyTo(uint16_t* buffer, int32_t capacity) const noexcept;
    // Releases the text and leaves the record empty.
    void Release() noexcept;

private:
    mutable std::mutex mutex_;
    std::u16string text_;
};

}  // namespace orvane
