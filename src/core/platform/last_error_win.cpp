#include <windows.h>

#include "core/platform/last_error.hpp"

namespace orvane::platform {

uint32_t LastError() noexcept { return ::GetLastError(); }
void SetLastError(uint32_t code) noexcept { ::SetLastError(code); }

}  // namespace orvane::platform
