// The library's account of its most recent failure: one UTF-16 text and the
// code it describes, replaced together by each new failure. Host threads may
// replace it at the same moment; a short lock around the exchange keeps text and
// code of one failure together and frees each old text exactly once.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace orvane {

// The code recorded with the SDK-not-started text.
inline constexpr int32_t kSdkNotReadyCode = -1;

class FailureRecord {
public:
    // Takes over `text` (its storage moves in) with its `code` and releases the
    // previous text, after the lock is dropped.
    void Replace(std::u16string text, int32_t code) noexcept;
    // A copy of the text held now.
    std::u16string Text() const;
    // The code of the text held now; 0 while the record is empty.
    int32_t Code() const noexcept;
    // Copies the text held now into a host's buffer (see CopyToHostBuffer), under
    // the lock, so a text being replaced meanwhile is never seen half.
    int32_t CopyTo(uint16_t* buffer, int32_t capacity) const noexcept;
    // Releases the text and leaves the record empty, with code 0.
    void Release() noexcept;

private:
    mutable std::mutex mutex_;
    std::u16string text_;
    int32_t code_ = 0;
};

}  // namespace orvane
