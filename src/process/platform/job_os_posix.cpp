// The job operations on Linux, which has no job objects: the "job" is a watcher
// process that ends the bound processes when the host ends (see
// job_watcher.hpp). The bits mean what they mean on Windows: the job is opened
// when the watcher runs, it existed when an earlier call started it, the limit
// is the watcher's promise to end the processes, and a process is in the job
// when the watcher holds it and it has not ended.
//
// A process handle is the process ID, checked through a process descriptor:
// the process exists and this host may signal it. Process IDs 0 and those
// beyond the range of pid_t name no process: as signal targets they would mean
// process groups. Kernels without process descriptors get no watcher: the
// binding then only reports whether the process exists (2 or 0).
//
// The watcher's link and the descriptors of bound processes are never closed
// while the watcher runs, like the handles on Windows; unloading the library
// leaves them open, so the promise holds until the host ends.
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <mutex>
#include <vector>

#include "process/job_os.hpp"
#include "process/platform/job_watcher.hpp"

namespace orvane::process {
namespace {

struct BoundProcess {
    pid_t pid;
    int processFd;  // this host's copy, to tell whether the process still runs
};

// One watcher per host; the lock makes exactly one call start it and keeps each
// exchange with it whole.
std::mutex watcherLock;
WatcherLink watcher;
std::vector<BoundProcess> boundProcesses;
// What this thread's last createJob found, for jobAlreadyExisted.
thread_local bool watcherExisted = false;

OsHandle ToHandle(pid_t pid) { return static_cast<OsHandle>(pid); }
pid_t ToPid(OsHandle process) { return static_cast<pid_t>(process); }
OsHandle LinkHandle() { return static_cast<OsHandle>(watcher.socket) + 1; }

// Processes that ended are no longer bound; a later process with the same ID is
// a different process.
void ForgetEndedProcesses() {
    std::erase_if(boundProcesses, [](const BoundProcess& bound) {
        if (!ProcessFdEnded(bound.processFd)) return false;
        ::close(bound.processFd);
        return true;
    });
}

OsHandle OpenProcessForJob(uint32_t processId) {
    if (processId == 0 || processId > static_cast<uint32_t>(std::numeric_limits<pid_t>::max())) {
        return kNoHandle;
    }
    const auto pid = static_cast<pid_t>(processId);
    const int processFd = OpenProcessFd(pid);
    if (processFd < 0) {
        if (errno != ENOSYS) return kNoHandle;
        // No process descriptors: signal 0 only checks that the process exists.
        const bool exists = ::kill(pid, 0) == 0 || errno == EPERM;
        return exists ? ToHandle(pid) : kNoHandle;
    }
    const bool signallable = ProcessFdSignallable(processFd);
    ::close(processFd);
    return signallable ? ToHandle(pid) : kNoHandle;
}

OsHandle CreateOrOpenJob() {
    const std::lock_guard<std::mutex> lock(watcherLock);
    watcherExisted = WatcherRuns(watcher);
    if (watcherExisted) return LinkHandle();
    if (watcher.socket >= 0) {
        // The watcher was ended from outside; what it held is lost, and a new
        // one starts afresh.
        ::close(watcher.socket);
        for (const BoundProcess& bound : boundProcesses) ::close(bound.processFd);
        boundProcesses.clear();
    }
    watcher = StartJobWatcher();
    return watcher.socket >= 0 ? LinkHandle() : kNoHandle;
}

bool JobAlreadyExisted() { return watcherExisted; }

bool ProcessIsInJob(OsHandle process) {
    const std::lock_guard<std::mutex> lock(watcherLock);
    ForgetEndedProcesses();
    return std::any_of(boundProcesses.begin(), boundProcesses.end(),
                       [&](const BoundProcess& bound) { return bound.pid == ToPid(process); });
}

bool SetLimits(OsHandle job, const JobLimitBlock& block) {
    const std::lock_guard<std::mutex> lock(watcherLock);
    return job == LinkHandle() && SendKillOnClose(watcher, (block.limitFlags & kKillOnJobClose) != 0);
}

bool AssignProcess(OsHandle job, OsHandle process) {
    const std::lock_guard<std::mutex> lock(watcherLock);
    // The watcher must not be handed itself: it would end before the others.
    if (job != LinkHandle() || ToPid(process) == watcher.watcher) return false;
    const int processFd = OpenProcessFd(ToPid(process));
    if (processFd < 0) return false;
    if (!SendProcess(watcher, processFd)) {
        ::close(processFd);
        return false;
    }
    ForgetEndedProcesses();
    boundProcesses.push_back(BoundProcess{ToPid(process), processFd});
    return true;
}

constexpr JobOs kSystemJobOs{OpenProcessForJob, CreateOrOpenJob, JobAlreadyExisted,
                             ProcessIsInJob,    SetLimits,       AssignProcess};

}  // namespace

const JobOs& SystemJobOs() noexcept { return kSystemJobOs; }

}  // namespace orvane::process
