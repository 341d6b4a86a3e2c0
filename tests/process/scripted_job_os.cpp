#include "process/scripted_job_os.hpp"

namespace testsupport {
namespace {

using orvane::process::JobHandle;
using orvane::process::JobLimitBlock;
using orvane::process::kNoHandle;
using orvane::process::OsHandle;

JobOsScript script;

void Record(const char* call) {
    if (!script.countOnly) script.calls.push_back(call);
}

OsHandle OpenProcess(uint32_t processId) {
    Record("open");
    script.openedProcessId = processId;
    if (script.process != kNoHandle) ++script.handlesOpened;
    return script.process;
}

JobHandle CreateJob() {
    Record("create");
    if (script.job == kNoHandle) return JobHandle{};
    ++script.handlesOpened;
    return JobHandle{script.job, script.existed};
}

bool IsProcessInJob(OsHandle process) {
    Record("inJob");
    if (!script.countOnly) script.handleArguments.push_back(process);
    return script.inJob;
}

bool SetLimits(OsHandle job, const JobLimitBlock& block) {
    Record("limits");
    if (!script.countOnly) script.handleArguments.push_back(job);
    script.limitBlocks.push_back(block);
    return script.limitsSucceed;
}

bool AssignProcess(OsHandle job, OsHandle process) {
    Record("assign");
    if (!script.countOnly) {
        script.handleArguments.push_back(job);
        script.handleArguments.push_back(process);
    }
    return script.assignSucceeds;
}

void CloseHandle(OsHandle handle) {
    Record("close");
    ++script.handlesClosed;
    if (!script.countOnly) script.closedHandles.push_back(handle);
}

constexpr orvane::process::JobOs kScriptedJobOs{OpenProcess, CreateJob,     IsProcessInJob,
                                                SetLimits,   AssignProcess, CloseHandle};

}  // namespace

JobOsScript& CurrentJobOsScript() { return script; }
const orvane::process::JobOs& ScriptedJobOs() { return kScriptedJobOs; }

}  // namespace testsupport
