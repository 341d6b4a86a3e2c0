// The SDK's login request record and the device description block it fills.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace orvane::camera {

static_assert(std::endian::native == std::endian::little, "SDK records are little-endian");

inline constexpr std::size_t kAddressCapacity = 129;
inline constexpr std::size_t kCredentialCapacity = 64;

struct LoginRecord {
    uint8_t deviceAddress[kAddressCapacity];
    uint8_t reserved0;
    uint16_t port;
    uint8_t userName[kCredentialCapacity];
    uint8_t password[kCredentialCapacity];
    uint8_t reserved1[140];
};
static_assert(sizeof(LoginRecord) == 400);
static_assert(offsetof(LoginRecord, deviceAddress) == 0);
static_assert(offsetof(LoginRecord, reserved0) == 129);
static_assert(offsetof(LoginRecord, port) == 130);
static_assert(offsetof(LoginRecord, userName) == 132);
static_assert(offsetof(LoginRecord, password) == 196);
static_assert(offsetof(LoginRecord, reserved1) == 260);

// The login record of one call, zero-filled. Its password is wiped before its
// storage is given up, on every path out of the call.
struct LoginRequest {
    LoginRecord record{};
    ~LoginRequest();
};

// Filled by the SDK; the library only provides zeroed, writable bytes.
struct DeviceInfoBlock {
    uint8_t bytes[344];
};
static_assert(sizeof(DeviceInfoBlock) == 344);

// Copies a host text into a fixed field: a text that fits (1 byte up to the full
// capacity, with no NUL needed when it fills the field) is copied byte for byte;
// an empty, missing (null) or over-long text leaves the field zero.
void FitText(uint8_t* field, std::size_t capacity, const char* text) noexcept;

}  // namespace orvane::camera
