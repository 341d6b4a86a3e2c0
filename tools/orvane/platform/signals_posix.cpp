#include <csignal>

#include "signals.hpp"

namespace orvane_cli::platform {

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace orvane_cli::platform
