// Binding another process to the host's job "OrvaneJob", so that the process
// ends when the host does.
#pragma once

#include <atomic>
#include <cstdint>

#include "OrvaneLib.h"
#include "process/job_os.hpp"

namespace orvane::process {

// The bits of the binding's result.
enum JobResultBit : uint32_t {
    inJob = ORVANE_JOB_IN_JOB,
    processOpened = ORVANE_JOB_PROCESS_OPENED,
    jobOpened = ORVANE_JOB_OPENED,
    jobExisted = ORVANE_JOB_EXISTED,
    wasInJob = ORVANE_JOB_WAS_IN_JOB,
    limitsSet = ORVANE_JOB_LIMITS_SET,
    assigned = ORVANE_JOB_ASSIGNED,
};

// The one job handle a host keeps open for its whole life: closing the last
// handle to the job ends the processes bound to it.
class KeptJobHandle {
public:
    // Keeps `handle` unless one is kept already; true when it is now kept.
    bool Keep(OsHandle handle) noexcept {
        OsHandle none = kNoHandle;
        return kept_.compare_exchange_strong(none, handle);
    }

private:
    std::atomic<OsHandle> kept_{kNoHandle};
};

// The host's kept job handle.
KeptJobHandle& HostJobHandle() noexcept;

// Opens the process and creates (or opens) the job; a newly created job gets
// kill-on-job-close at once. With both handles, assigns the process unless it
// is already in a job and the job existed. Every outcome is reported in the
// result bits. The first job handle obtained is kept in `kept`; the process
// handle and every other job handle are closed before the call returns.
uint32_t JobAssign(const JobOs& os, KeptJobHandle& kept, uint32_t processId) noexcept;

}  // namespace orvane::process
