#include "camera/login.hpp"

#include <cstring>

#include "camera/login_record.hpp"
#include "core/failure_protocol.hpp"
#include "core/secure_wipe.hpp"

namespace orvane::camera {

LoginRequest::~LoginRequest() { SecureWipe(record.password, sizeof record.password); }

void FitText(uint8_t* field, std::size_t capacity, const char* text) noexcept {
    if (text == nullptr) return;
    // Looking one byte past the capacity tells a text that fits from one that
    // does not, without reading the rest of an over-long text.
    const std::size_t length = strnlen(text, capacity + 1);
    if (length == 0 || length > capacity) return;
    std::memcpy(field, text, length);
}

int32_t Login(LibraryState& library, const char* deviceAddress, int32_t port, const char* userName,
              const char* password) noexcept {
    DeviceInfoBlock deviceInfo{};
    LoginRequest login;
    // Compatibility: the port is cut to its low 16 bits, never refused.
    login.record.port = static_cast<uint16_t>(static_cast<uint32_t>(port) & 0xFFFFu);
    FitText(login.record.deviceAddress, kAddressCapacity, deviceAddress);
    FitText(login.record.userName, kCredentialCapacity, userName);
    FitText(login.record.password, kCredentialCapacity, password);

    if (!Ready<readiness::kLogin>(library)) return -1;
    // The user ID is the result, so the call is made here rather than by CallSdk.
    const int32_t userId = library.Sdk().login(&login.record, &deviceInfo);
    if (userId < 0) library.RecordFailure();
    return userId;
}

bool Logout(LibraryState& library, int32_t userId) noexcept {
    if (!Ready<readiness::kLogout>(library)) return false;
    return CallSdk(library, &sdk::SdkOps::logout, userId);
}

}  // namespace orvane::camera
