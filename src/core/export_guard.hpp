// Runs an export's body so that nothing is thrown across the export boundary:
// any exception becomes the export's plain failure value.
#pragma once

#include <cstdint>

namespace orvane {

template <class Result, class Body>
Result GuardExport(Result failureValue, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return failureValue;
    }
}

// The one-byte boolean result of the exports.
constexpr uint8_t ToResult(bool success) noexcept { return success ? 1 : 0; }

}  // namespace orvane
