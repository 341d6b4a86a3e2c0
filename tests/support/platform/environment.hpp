// Environment variables of the test program, which a library it loads reads.
#pragma once

namespace testsupport {

// Sets the variable, or removes it when value is null.
void SetEnvironment(const char* name, const char* value);

}  // namespace testsupport
