// Runs an export's body so that nothing is thrown across the export boundary:
// any exception becomes the export's plain failure value.
#pragma once

#include <cstdint>

#include "core/export_gate.hpp"

namespace orvane {

template <class Result, class Body>
Result GuardExport(Result failureValue, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return failureValue;
    }
}

// As GuardExport, through the gate: once the library is ending, the failure
// value at once, without running the body.
template <class Result, class Body>
Result GatedExport(ExportGate& gate, Result failureValue, Body body) noexcept {
    const GateEntry entry(gate);
    if (!entry.Entered()) return failureValue;
    return GuardExport(failureValue, body);
}

// The one-byte boolean result of the exports.
constexpr uint8_t ToResult(bool success) noexcept { return success ? 1 : 0; }

}  // namespace orvane
