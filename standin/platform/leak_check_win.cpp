#include "leak_check.hpp"

namespace standin::platform {

// No leak checker runs in the Windows builds.
void keepForever(const void*) {}

}  // namespace standin::platform
