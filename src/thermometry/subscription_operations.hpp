// Starting, stopping and reading realtime thermometry subscriptions for the host.
#pragma once

#include <cstdint>

#include "OrvaneLib.h"
#include "core/library_state.hpp"

namespace orvane::thermometry {

// Reads and stops act on the pair's answering subscription: the newest whose
// start succeeded, or the pair's only record while no start of it succeeded.

// Starts a subscription for (userId, channel) on a record of the pair that no
// subscription uses any more, or on a new one; records stay in the list whatever
// the SDK answers. False (with the failure recorded) when the SDK refused it.
// Throws std::bad_alloc when no record can be allocated.
bool Start(LibraryState& library, int32_t userId, int32_t channel);

// Stops the pair's answering subscription by the stop rule of
// CamThermometryStop (include/OrvaneLib.h); the record stays in the list.
bool Stop(LibraryState& library, int32_t userId, int32_t channel) noexcept;

// Writes the newest measurement of the pair's answering subscription: date as
// yyyymmdd, time as hhmmss and the max, min and average readings as their raw
// 32-bit patterns, all from the same data event. Null outputs are skipped.
// Nothing is written when the pair was never started. True once a data event
// has arrived.
bool Read(LibraryState& library, int32_t userId, int32_t channel, int32_t* date, int32_t* time,
          uint32_t* maxBits, uint32_t* minBits, uint32_t* avgBits) noexcept;

// Writes the state, data events, milliseconds since the newest data and newest
// camera failure code of the pair's answering subscription, all from one
// publication of its record; null outputs are skipped. False, writing nothing,
// when the pair was never started. Lock-free.
bool Status(LibraryState& library, int32_t userId, int32_t channel, int32_t* state, int32_t* dataEvents,
            int32_t* msSinceData, int32_t* cameraCode) noexcept;

// Writes bytes 4-55 of `reading` from the newest whole data event of `ruleId`
// of the pair's answering subscription and returns true; false, writing
// nothing, when there is none, the ID is outside 0-255, `reading` is null or
// its size is below 56. Lock-free.
bool ReadRule(LibraryState& library, int32_t userId, int32_t channel, int32_t ruleId,
              OrvaneRuleReading* reading) noexcept;

// The rules of the pair's answering subscription, by RuleReadings::List; -1,
// writing nothing, when the pair was never started. Lock-free.
int32_t Rules(LibraryState& library, int32_t userId, int32_t channel, int32_t* ruleIds,
              int32_t capacity) noexcept;

}  // namespace orvane::thermometry
