#include <windows.h>

#include "last_error.hpp"

namespace standin::platform {

void setLastError(uint32_t code) { ::SetLastError(code); }

}  // namespace standin::platform
