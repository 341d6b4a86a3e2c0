#include "leak_check.hpp"

// Defined by LeakSanitizer's runtime when the process runs with it; null otherwise.
extern "C" void __lsan_ignore_object(const void* object) __attribute__((weak));

namespace standin::platform {

void keepForever(const void* object) {
    if (__lsan_ignore_object != nullptr) __lsan_ignore_object(object);
}

}  // namespace standin::platform
