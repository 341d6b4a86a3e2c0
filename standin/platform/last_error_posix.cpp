#include <cerrno>

#include "last_error.hpp"

namespace standin::platform {

// On POSIX systems the per-thread last-error value is errno.
void setLastError(uint32_t code) { errno = static_cast<int>(code); }

}  // namespace standin::platform
