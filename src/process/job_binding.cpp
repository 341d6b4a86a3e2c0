#include "process/job_binding.hpp"

namespace orvane::process {

uint32_t JobAssign(const JobOs& os, uint32_t processId) noexcept {
    const OsHandle process = os.openProcess(processId);
    // The job is created even without a process, so that the host's job exists
    // from its first call on.
    const OsHandle job = os.createJob();
    if (process == kNoHandle || job == kNoHandle) {
        // Whatever was obtained stays open, like every other handle.
        return (process != kNoHandle ? processOpened : 0u) | (job != kNoHandle ? jobOpened : 0u);
    }
    // Read first: it describes the createJob call just made.
    const bool existed = os.jobAlreadyExisted();
    const bool processWasInJob = os.isProcessInJob(process);

    uint32_t result = processOpened | jobOpened;
    if (existed) result |= jobExisted;
    if (processWasInJob) result |= wasInJob;

    // Only the call that creates the job gives it the limit, and only when the
    // process is in no job yet.
    if (!existed && !processWasInJob) {
        const JobLimitBlock block = KillOnCloseLimitBlock();
        if (os.setLimits(job, block)) result |= limitsSet;
    }
    // A process that is in a job when the job already existed counts as bound
    // already (normally by an earlier call from this host): no second attempt.
    if (!(existed && processWasInJob)) {
        if (os.assignProcessToJob(job, process)) result |= assigned;
    }
    if ((result & (wasInJob | assigned)) != 0) result |= inJob;
    return result;
}

}  // namespace orvane::process
