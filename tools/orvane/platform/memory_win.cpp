#include "memory.hpp"

namespace orvane_cli::platform {

// The Windows heap decommits large freed blocks on its own.
void ReleaseFreeMemory() {}

}  // namespace orvane_cli::platform
