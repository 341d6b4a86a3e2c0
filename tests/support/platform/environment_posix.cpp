#include <cstdlib>

#include "support/platform/environment.hpp"

namespace testsupport {

void SetEnvironment(const char* name, const char* value) {
    if (value == nullptr) {
        ::unsetenv(name);
    } else {
        ::setenv(name, value, 1);
    }
}

}  // namespace testsupport
