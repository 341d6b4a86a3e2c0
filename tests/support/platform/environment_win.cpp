#include <windows.h>

#include <cstdlib>
#include <string>

#include "support/platform/environment.hpp"

namespace testsupport {

// Both copies: the C runtime's, which getenv reads, and the process's.
void SetEnvironment(const char* name, const char* value) {
    const std::string assignment = std::string(name) + "=" + (value == nullptr ? "" : value);
    ::_putenv(assignment.c_str());
    ::SetEnvironmentVariableA(name, value);
}

}  // namespace testsupport
