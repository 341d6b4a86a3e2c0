// Logging in to a camera and out again.
#pragma once

#include <cstdint>

#include "core/library_state.hpp"

namespace orvane::camera {

// Returns the SDK's user ID (0 or greater) or a negative value after recording
// the failure; -1 without an SDK call while the SDK is not ready. Null texts
// count as empty.
int32_t Login(LibraryState& library, const char* deviceAddress, int32_t port, const char* userName,
              const char* password) noexcept;

// Ends a login; calls the SDK whether or not it is ready.
bool Logout(LibraryState& library, int32_t userId) noexcept;

}  // namespace orvane::camera
