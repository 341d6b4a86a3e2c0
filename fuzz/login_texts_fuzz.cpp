// Fuzzes CamLogin's whole contract rather than the record alone: null texts,
// texts far beyond their fields, the SDK not started, and SDK failures with any
// result and error code. The SDK receives the record by the copy rule; the host
// receives the SDK's user ID or its negative result unchanged (-1 without an SDK
// call when it is not started); the failure record changes exactly on failure.
#include <cstdint>
#include <cstring>
#include <string>

#include "camera/login.hpp"
#include "camera/login_record.hpp"
#include "core/platform/last_error.hpp"
#include "core/sdk_error_text.hpp"
#include "fuzz_support.hpp"

namespace {

using fuzzing::Check;
using orvane::camera::LoginRecord;

struct LoginScript {
    int32_t result = 0;
    uint32_t errorCode = 0;
    int calls = 0;
    LoginRecord received{};
} script;

int32_t HCNETSDK_CALL ScriptedLogin(void* record, void* deviceInfo) {
    ++script.calls;
    std::memcpy(&script.received, record, sizeof script.received);
    // The device block arrives zero-filled and is the SDK's to write.
    const auto* info = static_cast<const uint8_t*>(deviceInfo);
    for (std::size_t i = 0; i < sizeof(orvane::camera::DeviceInfoBlock); ++i) Check(info[i] == 0);
    std::memset(deviceInfo, 0x5A, sizeof(orvane::camera::DeviceInfoBlock));
    if (script.result < 0) orvane::platform::SetLastError(script.errorCode);
    return script.result;
}

void UseScriptedOperation(orvane::sdk::SdkOps& ops) { ops.login = &ScriptedLogin; }

void CheckField(const uint8_t* field, std::size_t capacity, const char* text) {
    const std::size_t length = text == nullptr ? 0 : std::strlen(text);
    const bool fits = length >= 1 && length <= capacity;
    for (std::size_t i = 0; i < capacity; ++i) {
        Check(field[i] == (fits && i < length ? static_cast<uint8_t>(text[i]) : 0));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::LibraryPair libraries(&UseScriptedOperation);
    fuzzing::ByteReader input(data, size);

    // Flags: which state, which texts are null, whether the SDK fails.
    const uint8_t flags = input.Byte();
    orvane::LibraryState& library = libraries.Pick((flags & 1) != 0);
    const int32_t port = input.Take<int32_t>();
    script.result = input.Take<int32_t>();
    script.result = (flags & 16) != 0 ? (script.result | INT32_MIN) : (script.result & INT32_MAX);
    script.errorCode = input.Take<uint16_t>();
    script.calls = 0;

    // Each text: a length byte, then that many bytes, repeated to reach lengths
    // around and far beyond the fields' capacities.
    std::string texts[3];
    for (std::string& text : texts) {
        const uint8_t length = input.Byte();
        const uint8_t repeat = input.Byte() % 4 + 1;
        const std::string part = input.Bytes(length);
        for (int i = 0; i < repeat; ++i) text += part;
    }
    const char* pointers[3];
    for (int i = 0; i < 3; ++i) pointers[i] = (flags & (2 << i)) != 0 ? nullptr : texts[i].c_str();

    // A known failure text beforehand, so that a change shows.
    orvane::platform::SetLastError(9999);
    library.RecordFailure();
    const std::u16string before = library.LastFailureText();

    const int32_t userId = orvane::camera::Login(library, pointers[0], port, pointers[1], pointers[2]);

    if (!library.SdkReady()) {
        Check(userId == -1 && script.calls == 0);
        Check(library.LastFailureText() == orvane::kSdkNotReadyText);
        return 0;
    }
    Check(script.calls == 1 && userId == script.result);
    if (userId < 0) {
        Check(library.LastFailureText() == orvane::DescribeSdkError(script.errorCode));
    } else {
        Check(library.LastFailureText() == before);
    }
    const LoginRecord& record = script.received;
    CheckField(record.deviceAddress, orvane::camera::kAddressCapacity, pointers[0]);
    CheckField(record.userName, orvane::camera::kCredentialCapacity, pointers[1]);
    CheckField(record.password, orvane::camera::kCredentialCapacity, pointers[2]);
    Check(record.reserved0 == 0 && record.port == static_cast<uint16_t>(port));
    for (uint8_t byte : record.reserved1) Check(byte == 0);
    return 0;
}
