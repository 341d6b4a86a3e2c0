// Starting, stopping and reading realtime thermometry subscriptions for the host.
#pragma once

#include <cstdint>

#include "core/library_state.hpp"

namespace orvane::thermometry {

// Starts a subscription for (userId, channel) with a new record, which stays in
// the list whatever the SDK answers; false (with the failure recorded) when the
// SDK refused it. Throws std::bad_alloc when no record can be allocated.
bool Start(LibraryState& library, int32_t userId, int32_t channel);

// Asks the SDK to stop the first subscription of the pair. Compatibility: always
// the first one started, even when it was stopped already and a later one for
// the same pair runs; the record stays in the list. False without a
// failure record when the pair was never started; false with one when the SDK
// refused.
bool Stop(LibraryState& library, int32_t userId, int32_t channel) noexcept;

// Writes the newest measurement of the first subscription of the pair: date as
// yyyymmdd, time as hhmmss and the max, min and average readings as their raw
// 32-bit patterns, all from the same data event. Null outputs are skipped.
// Nothing is written when the pair was never started. True once a data event
// has arrived.
bool Read(LibraryState& library, int32_t userId, int32_t channel, int32_t* date, int32_t* time,
          uint32_t* maxBits, uint32_t* minBits, uint32_t* avgBits) noexcept;

}  // namespace orvane::thermometry
