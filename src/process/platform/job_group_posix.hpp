// A control group (version 2) of the host's own, into which the watcher moves
// the processes it holds, so that their whole trees end with one write.
#pragma once

#include "process/platform/job_watcher_protocol.hpp"

namespace orvane::process {

// Creates a new group folder below the host's own group, with a kill switch,
// and opens it; its path goes into `path`. -1 where this host may not create
// one (no version-2 hierarchy, no permission, a kernel without the switch).
int CreateJobGroup(char (&path)[kGroupPathCapacity]) noexcept;

}  // namespace orvane::process
