// The job operations on Windows: the system's job objects. The host's exit
// closes the job handle the binding keeps, which ends the processes of a job
// that carries kill-on-job-close.
#include <windows.h>

#include <cstddef>

#include "process/job_os.hpp"

namespace orvane::process {
namespace {

// Every access right a process object has (the value newer systems define).
constexpr DWORD kProcessAllAccess = 0x1FFFFF;
constexpr wchar_t kJobName[] = L"OrvaneJob";

static_assert(sizeof(void*) != 4 || sizeof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION) == sizeof(JobLimitBlock));
static_assert(sizeof(void*) != 4 || offsetof(JOBOBJECT_EXTENDED_LIMIT_INFORMATION, BasicLimitInformation) +
                                            offsetof(JOBOBJECT_BASIC_LIMIT_INFORMATION, LimitFlags) ==
                                        offsetof(JobLimitBlock, limitFlags));
static_assert(JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE == kKillOnJobClose);
static_assert(JobObjectExtendedLimitInformation == 9);
static_assert(ERROR_ALREADY_EXISTS == 183);

HANDLE ToWin(OsHandle handle) noexcept { return reinterpret_cast<HANDLE>(handle); }
OsHandle FromWin(HANDLE handle) noexcept { return reinterpret_cast<OsHandle>(handle); }

OsHandle OpenProcessForJob(uint32_t processId) {
    return FromWin(::OpenProcess(kProcessAllAccess, FALSE, processId));
}

JobHandle CreateOrOpenJob() {
    const HANDLE job = ::CreateJobObjectW(nullptr, kJobName);
    // Read at once: it describes the creation just made.
    const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    return JobHandle{FromWin(job), job != nullptr && existed};
}

bool ProcessIsInJob(OsHandle process) {
    BOOL inJob = FALSE;
    // The flag alone answers; it stays false when the query fails.
    ::IsProcessInJob(ToWin(process), nullptr, &inJob);
    return inJob != FALSE;
}

bool SetLimits(OsHandle job, const JobLimitBlock& block) {
    // The system reads the block; it does not write it.
    return ::SetInformationJobObject(ToWin(job), JobObjectExtendedLimitInformation,
                                     const_cast<JobLimitBlock*>(&block), sizeof block) != FALSE;
}

bool AssignProcess(OsHandle job, OsHandle process) {
    return ::AssignProcessToJobObject(ToWin(job), ToWin(process)) != FALSE;
}

void CloseJobHandle(OsHandle handle) { ::CloseHandle(ToWin(handle)); }

constexpr JobOs kSystemJobOs{OpenProcessForJob, CreateOrOpenJob, ProcessIsInJob,
                             SetLimits,         AssignProcess,   CloseJobHandle};

}  // namespace

const JobOs& SystemJobOs() noexcept { return kSystemJobOs; }

}  // namespace orvane::process
