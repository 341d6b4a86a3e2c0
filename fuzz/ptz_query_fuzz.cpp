// Fuzzes the PTZ queries with whatever records the SDK returns: positions are
// handed out zero-extended, ranges through the BCD reading (checked against the
// hexadecimal-text definition), outputs are written only on success and null
// ones skipped, the query is always command 293 or 294 on channel -1 with the
// record's exact size, and a failure leaves the outputs as they were.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "camera/ptz_query.hpp"
#include "camera/ptz_records.hpp"
#include "core/platform/last_error.hpp"
#include "core/sdk_error_text.hpp"
#include "fuzz_support.hpp"

namespace {

using fuzzing::Check;

struct QueryScript {
    int32_t result = 1;
    uint32_t errorCode = 0;
    uint8_t record[16] = {};
    int calls = 0;
    uint32_t command = 0;
    int32_t channel = 0;
    uint32_t size = 0;
} script;

int32_t HCNETSDK_CALL ScriptedGetConfig(int32_t, uint32_t command, int32_t channel, void* out,
                                        uint32_t outSize, uint32_t* returnedSize) {
    ++script.calls;
    script.command = command;
    script.channel = channel;
    script.size = outSize;
    Check(returnedSize != nullptr && *returnedSize == 0 && outSize <= sizeof script.record);
    if (script.result == 0) {
        orvane::platform::SetLastError(script.errorCode);
        return 0;
    }
    std::memcpy(out, script.record, outSize);
    *returnedSize = outSize;
    return script.result;
}

void UseScriptedOperation(orvane::sdk::SdkOps& ops) { ops.getConfig = &ScriptedGetConfig; }

// The BCD reading by its definition: the value as lower-case hexadecimal text,
// its leading decimal digits read as a number.
int32_t BcdByText(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%x", value);
    int32_t result = 0;
    for (const char* c = text; *c >= '0' && *c <= '9'; ++c) result = result * 10 + (*c - '0');
    return result;
}

uint16_t Word(const uint8_t* bytes) {
    uint16_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::LibraryPair libraries(&UseScriptedOperation);
    fuzzing::ByteReader input(data, size);

    const uint8_t flags = input.Byte();
    orvane::LibraryState& library = libraries.Pick((flags & 1) == 0);
    const bool scope = (flags & 2) != 0;
    script.result = (flags & 4) != 0 ? 0 : (input.Take<int32_t>() | 1);
    script.errorCode = input.Take<uint16_t>();
    const uint8_t nullMask = input.Byte();
    const int32_t userId = input.Take<int32_t>();
    for (uint8_t& byte : script.record) byte = input.Byte();
    script.calls = 0;

    constexpr int32_t kUntouched = 0x7EADBEEF;
    int32_t cells[6];
    int32_t* outputs[6];
    for (int i = 0; i < 6; ++i) {
        cells[i] = kUntouched;
        outputs[i] = (nullMask & (1 << i)) != 0 ? nullptr : &cells[i];
    }
    orvane::platform::SetLastError(9999);
    library.RecordFailure();
    const std::u16string before = library.LastFailureText();

    const bool answered =
        scope ? orvane::camera::PtzGetScope(
                    library, userId, {outputs[0], outputs[1], outputs[2], outputs[3], outputs[4], outputs[5]})
              : orvane::camera::PtzGetCurrent(library, userId, {outputs[0], outputs[1], outputs[2]});

    if (!library.SdkReady()) {
        Check(!answered && script.calls == 0 && library.LastFailureText() == orvane::kSdkNotReadyText);
    } else {
        Check(script.calls == 1 && script.channel == orvane::camera::kAllChannels);
        Check(script.command ==
              (scope ? orvane::camera::kPtzRangeCommand : orvane::camera::kPtzPositionCommand));
        Check(script.size ==
              (scope ? sizeof(orvane::camera::PtzRangeRecord) : sizeof(orvane::camera::PtzPositionRecord)));
        Check(answered == (script.result != 0));
        Check(library.LastFailureText() == (answered ? before : orvane::DescribeSdkError(script.errorCode)));
    }
    const int count = scope ? 6 : 3;
    for (int i = 0; i < 6; ++i) {
        int32_t expected = kUntouched;
        if (answered && outputs[i] != nullptr && i < count) {
            expected = scope ? BcdByText(Word(script.record + 2 * i)) : Word(script.record + 2 + 2 * i);
        }
        Check(cells[i] == expected);
    }
    // The reading of every word, also those no record carried this time.
    const uint16_t word = Word(script.record);
    Check(orvane::camera::BcdWordToInt(word) == BcdByText(word));
    return 0;
}
