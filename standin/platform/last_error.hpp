// Where the stand-in leaves its error code after a failed call: the place the
// library reads the calling thread's last-error value from.
#pragma once

#include <cstdint>

namespace standin::platform {

void setLastError(uint32_t code);

}  // namespace standin::platform
