#include "camera/ptz_query.hpp"

#include "camera/ptz_records.hpp"
#include "core/failure_protocol.hpp"

namespace orvane::camera {
namespace {

// One configuration query into a fresh record; false after recording the failure.
template <class Record>
bool QueryRecord(LibraryState& library, int32_t userId, uint32_t command, Record& record) noexcept {
    if (!Ready<readiness::kPtzQuery>(library)) return false;
    uint32_t returnedSize = 0;  // reported by the SDK, not examined
    return CallSdk(library, &sdk::SdkOps::getConfig, userId, command, kAllChannels, &record,
                   static_cast<uint32_t>(sizeof record), &returnedSize);
}

void WriteOutput(int32_t* output, int32_t value) noexcept {
    if (output != nullptr) *output = value;
}

}  // namespace

int32_t BcdWordToInt(uint16_t value) noexcept {
    // Leading zero digits add nothing to a decimal number, so all four are read.
    int32_t result = 0;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const int digit = (value >> shift) & 0xF;
        if (digit > 9) break;
        result = result * 10 + digit;
    }
    return result;
}

bool PtzGetCurrent(LibraryState& library, int32_t userId, const std::array<int32_t*, 3>& outputs) noexcept {
    PtzPositionRecord record{};
    if (!QueryRecord(library, userId, kPtzPositionCommand, record)) return false;
    for (std::size_t i = 0; i < outputs.size(); ++i) WriteOutput(outputs[i], record.position[i]);
    return true;
}

bool PtzGetScope(LibraryState& library, int32_t userId, const std::array<int32_t*, 6>& outputs) noexcept {
    PtzRangeRecord record{};
    if (!QueryRecord(library, userId, kPtzRangeCommand, record)) return false;
    for (std::size_t i = 0; i < outputs.size(); ++i) WriteOutput(outputs[i], BcdWordToInt(record.range[i]));
    return true;
}

}  // namespace orvane::camera
