// Memory the program has freed, handed back to the system: after a burst of
// large documents the allocator may keep the freed pages, and a service's
// resident memory should go back down once the burst is over.
#pragma once

namespace orvane_cli::platform {

// Costs a walk over the allocator's free lists: call it after a burst, not per request.
void ReleaseFreeMemory();

}  // namespace orvane_cli::platform
