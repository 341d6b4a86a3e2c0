// Where the system's search for a file given by name finds it.
#pragma once

#include <string>

namespace hostloader {

// The path at which the system's search path holds the file, or "".
std::string FindOnSearchPath(const std::string& fileName);

}  // namespace hostloader
