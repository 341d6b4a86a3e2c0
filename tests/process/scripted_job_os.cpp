#include "process/scripted_job_os.hpp"

namespace testsupport {
namespace {

using orvane::process::JobLimitBlock;
using orvane::process::OsHandle;

JobOsScript script;

OsHandle OpenProcess(uint32_t processId) {
    script.calls.push_back("open");
    script.openedProcessId = processId;
    return script.process;
}

OsHandle CreateJob() {
    script.calls.push_back("create");
    return script.job;
}

bool JobAlreadyExisted() {
    script.calls.push_back("existed");
    return script.existed;
}

bool IsProcessInJob(OsHandle process) {
    script.calls.push_back("inJob");
    script.handleArguments.push_back(process);
    return script.inJob;
}

bool SetLimits(OsHandle job, const JobLimitBlock& block) {
    script.calls.push_back("limits");
    script.handleArguments.push_back(job);
    script.limitBlocks.push_back(block);
    return script.limitsSucceed;
}

bool AssignProcess(OsHandle job, OsHandle process) {
    script.calls.push_back("assign");
    script.handleArguments.push_back(job);
    script.handleArguments.push_back(process);
    return script.assignSucceeds;
}

constexpr orvane::process::JobOs kScriptedJobOs{OpenProcess,    CreateJob, JobAlreadyExisted,
                                                IsProcessInJob, SetLimits, AssignProcess};

}  // namespace

JobOsScript& CurrentJobOsScript() { return script; }
const orvane::process::JobOs& ScriptedJobOs() { return kScriptedJobOs; }

}  // namespace testsupport
