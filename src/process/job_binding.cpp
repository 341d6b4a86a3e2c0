#include "process/job_binding.hpp"

namespace orvane::process {

uint32_t JobAssign(const JobOs& os, uint32_t processId) noexcept {
    const OsHandle process = os.openProcess(processId);
    // The job is created even without a process, so that the host's job exists
    // from its first call on.
    const OsHandle job = os.createJob();
    if (job == kNoHandle) return process != kNoHandle ? processOpened : 0u;
    // Read first: it describes the createJob call just made.
    const bool existed = os.jobAlreadyExisted();

    // The call that creates the job gives it the limit, whatever it finds out
    // about the process: every later call finds the job existing and may not
    // touch it, so a job created without the limit would never end the
    // processes bound to it. A job that existed may belong to someone else.
    uint32_t result = jobOpened;
    if (!existed) {
        const JobLimitBlock block = KillOnCloseLimitBlock();
        if (os.setLimits(job, block)) result |= limitsSet;
    }
    // Whatever was obtained stays open, like every other handle.
    if (process == kNoHandle) return result;

    const bool processWasInJob = os.isProcessInJob(process);
    result |= processOpened;
    if (existed) result |= jobExisted;
    if (processWasInJob) result |= wasInJob;
    // A process that is in a job when the job already existed counts as bound
    // already (normally by an earlier call from this host): no second attempt.
    if (!(existed && processWasInJob)) {
        if (os.assignProcessToJob(job, process)) result |= assigned;
    }
    if ((result & (wasInJob | assigned)) != 0) result |= inJob;
    return result;
}

}  // namespace orvane::process
