#include "signals.hpp"

namespace orvane_cli::platform {

// Windows has no such signal: a write to a closed pipe just fails.
void IgnoreBrokenPipes() {}

}  // namespace orvane_cli::platform
