// POSIX has no separate last-error value; errno is the per-thread value that the
// SDK leaves its code in.
#include <cerrno>

#include "core/platform/last_error.hpp"

namespace orvane::platform {

uint32_t LastError() noexcept { return static_cast<uint32_t>(errno); }
void SetLastError(uint32_t code) noexcept { errno = static_cast<int>(code); }

}  // namespace orvane::platform
