// The library's account of its most recent failure: one UTF-16 text, replaced
// whole by each new failure. Host threads may replace it at the same moment; a
// short lock around the exchange keeps the text whole and frees each old text
// exactly once.
#pragma once

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
    // Releases the text and leaves the record empty.
    void Release() noexcept;

private:
    mutable std::mutex mutex_;
    std::u16string text_;
};

}  // namespace orvane
