// The job operations on Linux, which has no job objects: the "job" is a watcher
// process that ends the bound processes, with their descendants, when the host
// ends (see job_watcher.hpp). The bits mean what they mean on Windows: the job
// is opened when the watcher runs, it existed when an earlier call started it,
// the limit is the watcher's promise to end the processes, and a process is in
// the job when the watcher holds it and it has not ended.
//
// A process handle is a process descriptor (packed with its kind, so that none
// is zero; see PackedHandle): the process exists and this host may signal it, and the very descriptor that
// checked this is the one handed to the watcher, so a later process with the
// same ID can never take its place. Process IDs 0 and those beyond the range of
// pid_t name no process: as signal targets they would mean process groups.
// Kernels without process descriptors get no watcher: the binding then only
// reports whether the process exists (2 or 0).
//
// The watcher's link and this host's copies of the bound processes'
// descriptors stay open while the watcher runs; unloading the library leaves
// them open, so the promise holds until the host ends.
//
// A child the host forks inherits all of this, but the watcher is its parent's:
// from the fork on, the child forgets it (closing its copies of the link and
// the descriptors) and its first call starts a watcher of its own.
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <mutex>

#include "process/job_os.hpp"
#include "process/platform/job_watcher.hpp"
#include "process/platform/job_watcher_protocol.hpp"

namespace orvane::process {
namespace {

struct BoundProcess {
    pid_t pid;
    int processFd;  // this host's copy, to tell whether the process still runs
};

// One watcher per host; the lock makes exactly one call start it and keeps each
// exchange with it whole. A fork waits for the lock, so the child never
// inherits it taken.
std::mutex watcherLock;
WatcherLink watcher;
pid_t watcherOwner = 0;  // the process whose watcher `watcher` is
// As many as the watcher holds. A plain array, which no static destructor
// frees: a call may still run while another thread's exit() runs them.
constexpr int kMostBound = kWatcherCapacity;
BoundProcess boundProcesses[kMostBound];
int boundCount = 0;

// What an OsHandle stands for here: its kind in the top two bits, a descriptor
// in the others. No kind is zero, so no handle is ever kNoHandle, and a job handle
// is never taken for a process descriptor, even one that reuses the number of an
// earlier link.
class PackedHandle {
public:
    enum class Kind : OsHandle {
        none = 0,
        processFd = 1,         // a process descriptor of this host's
        processWithoutFd = 2,  // a process whose kernel has no process descriptors
        job = 3,               // the watcher's link
    };

    static OsHandle Pack(Kind kind, int fd = 0) {
        return (static_cast<OsHandle>(kind) << kKindShift) | static_cast<OsHandle>(fd);
    }
    explicit PackedHandle(OsHandle value)
        : kind_(static_cast<Kind>(value >> kKindShift)), fd_(static_cast<int>(value & kFdMask)) {}
    Kind kind() const { return kind_; }
    int fd() const { return fd_; }

private:
    static constexpr int kKindShift = sizeof(OsHandle) * 8 - 2;
    // Every descriptor fits beneath the kind: the kernel bounds descriptor numbers
    // by INT_MAX, and on 32-bit systems by 2^30 (its table's pointers must fit in
    // the address space).
    static constexpr OsHandle kFdMask = (OsHandle{1} << kKindShift) - 1;
    Kind kind_;
    int fd_;
};
using HandleKind = PackedHandle::Kind;

OsHandle LinkHandle() { return PackedHandle::Pack(HandleKind::job, watcher.socket); }

// Drops this process's copy of another process's watcher (or of a watcher that
// is gone); only close calls, so that it may run in a child just forked.
void ForgetWatcher() {
    if (watcher.socket >= 0) ::close(watcher.socket);
    for (int i = 0; i < boundCount; ++i) ::close(boundProcesses[i].processFd);
    boundCount = 0;
    watcher = WatcherLink{};
}

void LockBeforeFork() { watcherLock.lock(); }
void UnlockInParent() { watcherLock.unlock(); }
void UnlockInChild() {
    ForgetWatcher();
    watcherLock.unlock();
}

void WatchForks() {
    static std::once_flag registered;
    std::call_once(registered, [] { ::pthread_atfork(LockBeforeFork, UnlockInParent, UnlockInChild); });
}

// Processes that ended are no longer bound; a later process with the same ID is
// a different process.
void ForgetEndedProcesses() {
    int kept = 0;
    for (int i = 0; i < boundCount; ++i) {
        if (ProcessFdEnded(boundProcesses[i].processFd)) {
            ::close(boundProcesses[i].processFd);
        } else {
            boundProcesses[kept++] = boundProcesses[i];
        }
    }
    boundCount = kept;
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
        return exists ? PackedHandle::Pack(HandleKind::processWithoutFd) : kNoHandle;
    }
    if (ProcessFdSignallable(processFd)) return PackedHandle::Pack(HandleKind::processFd, processFd);
    ::close(processFd);
    return kNoHandle;
}

JobHandle CreateOrOpenJob() {
    WatchForks();
    const std::lock_guard<std::mutex> lock(watcherLock);
    // A process forked by other means than fork() still holds its parent's.
    if (watcher.socket >= 0 && watcherOwner != ::getpid()) ForgetWatcher();
    if (WatcherRuns(watcher)) return JobHandle{LinkHandle(), true};
    // The watcher was ended from outside; what it held is lost, and a new one
    // starts afresh.
    ForgetWatcher();
    watcher = StartJobWatcher(TreeEnding::groupWhereAllowed);
    watcherOwner = ::getpid();
    return JobHandle{watcher.socket >= 0 ? LinkHandle() : kNoHandle, false};
}

bool ProcessIsInJob(OsHandle process) {
    const PackedHandle handle(process);
    if (handle.kind() != HandleKind::processFd) return false;
    const pid_t pid = ProcessFdPid(handle.fd());
    const std::lock_guard<std::mutex> lock(watcherLock);
    ForgetEndedProcesses();
    return std::any_of(boundProcesses, boundProcesses + boundCount,
                       [&](const BoundProcess& bound) { return bound.pid == pid; });
}

bool SetLimits(OsHandle job, const JobLimitBlock& block) {
    const std::lock_guard<std::mutex> lock(watcherLock);
    return job == LinkHandle() && SendKillOnClose(watcher, (block.limitFlags & kKillOnJobClose) != 0);
}

bool AssignProcess(OsHandle job, OsHandle process) {
    const PackedHandle handle(process);
    if (handle.kind() != HandleKind::processFd) return false;
    const int processFd = handle.fd();
    const pid_t pid = ProcessFdPid(processFd);
    const std::lock_guard<std::mutex> lock(watcherLock);
    // The watcher must not be handed itself: it would end before the others.
    if (job != LinkHandle() || pid <= 0 || pid == watcher.watcher) return false;
    ForgetEndedProcesses();
    if (boundCount == kMostBound) return false;
    // This host keeps a copy to see the process end; the handle itself is closed
    // when the call is done.
    const int kept = ::fcntl(processFd, F_DUPFD_CLOEXEC, 0);
    if (kept < 0) return false;
    if (!SendProcess(watcher, processFd, pid)) {
        ::close(kept);
        return false;
    }
    boundProcesses[boundCount++] = BoundProcess{pid, kept};
    return true;
}

// The job handle is the link, which stays open; only process descriptors close.
void CloseHandle(OsHandle handle) {
    const PackedHandle packed(handle);
    if (packed.kind() == HandleKind::processFd) ::close(packed.fd());
}

constexpr JobOs kSystemJobOs{OpenProcessForJob, CreateOrOpenJob, ProcessIsInJob,
                             SetLimits,         AssignProcess,   CloseHandle};

}  // namespace

const JobOs& SystemJobOs() noexcept { return kSystemJobOs; }

}  // namespace orvane::process
