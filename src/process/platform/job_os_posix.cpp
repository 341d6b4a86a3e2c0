// The job operations on systems without job objects. A process ID is "opened"
// when it names an existing process (one the caller may not be allowed to
// signal counts too); no job can be created, so the binding reports 2 for an
// existing process and 0 otherwise, and nothing is ever done to the process.
// Process IDs 0 and those beyond the range of pid_t name no process: as
// signal targets they would mean process groups.
#include <signal.h>
#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <limits>

#include "process/job_os.hpp"

namespace orvane::process {
namespace {

OsHandle OpenProcessForJob(uint32_t processId) {
    if (processId == 0 || processId > static_cast<uint32_t>(std::numeric_limits<pid_t>::max())) {
        return kNoHandle;
    }
    // Signal 0 only checks that the process exists and may be signalled.
    const bool exists = ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
    return exists ? static_cast<OsHandle>(processId) : kNoHandle;
}

OsHandle CreateOrOpenJob() { return kNoHandle; }
bool JobAlreadyExisted() { return false; }
bool ProcessIsInJob(OsHandle) { return false; }
bool SetLimits(OsHandle, const JobLimitBlock&) { return false; }
bool AssignProcess(OsHandle, OsHandle) { return false; }

constexpr JobOs kSystemJobOs{OpenProcessForJob, CreateOrOpenJob, JobAlreadyExisted,
                             ProcessIsInJob,    SetLimits,       AssignProcess};

}  // namespace

const JobOs& SystemJobOs() noexcept { return kSystemJobOs; }

}  // namespace orvane::process
