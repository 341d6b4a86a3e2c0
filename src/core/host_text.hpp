// Copying a text into a host's UTF-16 buffer, by the rule every text export
// follows: the full length is the result, so a host can size its buffer and ask
// again; at most capacity - 1 units and a terminating 0 are written; nothing at
// all for a null buffer or a capacity of 0 or less.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace orvane {

// `units` is any contiguous text of 16-bit units or of ASCII bytes (widened).
template <class Text>
int32_t CopyToHostBuffer(const Text& units, uint16_t* buffer, int32_t capacity) noexcept {
    const std::size_t length = units.size();
    if (buffer != nullptr && capacity > 0) {
        const std::size_t count = std::min(length, static_cast<std::size_t>(capacity) - 1);
        for (std::size_t i = 0; i < count; ++i) {
            buffer[i] =
                static_cast<uint16_t>(static_cast<std::make_unsigned_t<typename Text::value_type>>(units[i]));
        }
        buffer[count] = 0;
    }
    return static_cast<int32_t>(std::min<std::size_t>(length, std::numeric_limits<int32_t>::max()));
}

}  // namespace orvane
