#include "process/job_binding.hpp"

namespace orvane::process {
namespace {

// Closes what one call opened, except the job handle the host keeps.
class CallHandles {
public:
    CallHandles(const JobOs& os, KeptJobHandle& kept) noexcept : os_(os), kept_(kept) {}
    ~CallHandles() {
        if (process != kNoHandle) os_.closeHandle(process);
        if (job != kNoHandle && !kept_.Keep(job)) os_.closeHandle(job);
    }
    CallHandles(const CallHandles&) = delete;
    CallHandles& operator=(const CallHandles&) = delete;

    OsHandle process = kNoHandle;
    OsHandle job = kNoHandle;

private:
    const JobOs& os_;
    KeptJobHandle& kept_;
};

}  // namespace

KeptJobHandle& HostJobHandle() noexcept {
    static KeptJobHandle kept;
    return kept;
}

uint32_t JobAssign(const JobOs& os, KeptJobHandle& kept, uint32_t processId) noexcept {
    CallHandles handles(os, kept);
    handles.process = os.openProcess(processId);
    // The job is created even without a process, so that the host's job exists
    // from its first call on.
    const JobHandle job = os.createJob();
    handles.job = job.handle;
    const OsHandle process = handles.process;
    if (job.handle == kNoHandle) return process != kNoHandle ? processOpened : 0u;

    // The call that creates the job gives it the limit, whatever it finds out
    // about the process: every later call finds the job existing and may not
    // touch it, so a job created without the limit would never end the
    // processes bound to it. A job that existed may belong to someone else.
    uint32_t result = jobOpened;
    if (!job.existed) {
        const JobLimitBlock block = KillOnCloseLimitBlock();
        if (os.setLimits(job.handle, block)) result |= limitsSet;
    }
    if (process == kNoHandle) return result;

    const bool processWasInJob = os.isProcessInJob(process);
    result |= processOpened;
    if (job.existed) result |= jobExisted;
    if (processWasInJob) result |= wasInJob;
    // A process that is in a job when the job already existed counts as bound
    // already (normally by an earlier call from this host): no second attempt.
    if (!(job.existed && processWasInJob)) {
        if (os.assignProcessToJob(job.handle, process)) result |= assigned;
    }
    if ((result & (wasInJob | assigned)) != 0) result |= inJob;
    return result;
}

}  // namespace orvane::process
