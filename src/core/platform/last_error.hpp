// The calling thread's last-error value, where a failed SDK call leaves its code.
#pragma once

#include <cstdint>

namespace orvane::platform {

uint32_t LastError() noexcept;
void SetLastError(uint32_t code) noexcept;

}  // namespace orvane::platform
