// Waiting that Ctrl+C cuts short.
#pragma once

#include "clock/duration.hpp"

namespace orvane_cli {

// Sleeps for `duration` in short steps; false as soon as an interrupt is requested.
bool SleepUnlessInterrupted(Milliseconds duration);

}  // namespace orvane_cli
