// Fuzzes the login record: whatever texts and port a host passes, the record the
// SDK receives holds each text that fits its field byte for byte, zero where a
// text is empty or too long, the port's low 16 bits, and zero everywhere else.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "camera/login.hpp"
#include "camera/login_record.hpp"

namespace {

orvane::camera::LoginRecord received;

int32_t HCNETSDK_CALL CaptureLogin(void* record, void*) {
    std::memcpy(&received, record, sizeof received);
    return 0;
}
int32_t HCNETSDK_CALL Succeed() { return 1; }
int32_t HCNETSDK_CALL StopHandle(int32_t) { return 1; }

const orvane::sdk::SdkOps kSdk = [] {
    orvane::sdk::SdkOps ops{};
    ops.init = &Succeed;
    ops.cleanup = &Succeed;
    ops.login = &CaptureLogin;
    ops.stopRemoteConfig = &StopHandle;
    return ops;
}();

// Splits the input at its first two 0xFF bytes into three texts; four bytes after
// that, if present, are the port.
void Split(const uint8_t* data, size_t size, std::string (&texts)[3], int32_t& port) {
    size_t part = 0;
    size_t i = 0;
    for (; i < size && part < 3; ++i) {
        if (data[i] == 0xFF && part < 2) {
            ++part;
            continue;
        }
        if (data[i] == 0xFF) break;
        texts[part].push_back(static_cast<char>(data[i]));
    }
    port = 0;
    if (size >= i + 4) std::memcpy(&port, data + i, 4);
}

void CheckField(const uint8_t* field, size_t capacity, const std::string& text) {
    const size_t length = std::strlen(text.c_str());  // the host's text ends at its first NUL
    const bool fits = length >= 1 && length <= capacity;
    for (size_t i = 0; i < capacity; ++i) {
        const uint8_t expected = fits && i < length ? static_cast<uint8_t>(text[i]) : 0;
        if (field[i] != expected) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static orvane::LibraryState library(kSdk);
    std::string texts[3];
    int32_t port = 0;
    Split(data, size, texts, port);
    std::memset(&received, 0xAA, sizeof received);
    orvane::camera::Login(library, texts[0].c_str(), port, texts[1].c_str(), texts[2].c_str());

    CheckField(received.deviceAddress, orvane::camera::kAddressCapacity, texts[0]);
    CheckField(received.userName, orvane::camera::kCredentialCapacity, texts[1]);
    CheckField(received.password, orvane::camera::kCredentialCapacity, texts[2]);
    if (received.reserved0 != 0 || received.port != static_cast<uint16_t>(port)) std::abort();
    for (uint8_t byte : received.reserved1) {
        if (byte != 0) std::abort();
    }
    return 0;
}
