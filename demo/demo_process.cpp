#include <cstdio>

#include "child_process.hpp"
#include "demo_steps.hpp"

namespace demo {
namespace {

struct BitWords {
    uint32_t bit;
    const char* words;
};

const BitWords kJobBits[] = {
    {ORVANE_JOB_PROCESS_OPENED, "the process was opened"},
    {ORVANE_JOB_OPENED, "the job OrvaneJob (on Linux: the watcher process) was created or opened"},
    {ORVANE_JOB_EXISTED, "the job already existed"},
    {ORVANE_JOB_WAS_IN_JOB, "the process was already in a job"},
    {ORVANE_JOB_LIMITS_SET, "the job now ends its processes when the host ends"},
    {ORVANE_JOB_ASSIGNED, "the process was put into the job"},
    {ORVANE_JOB_IN_JOB, "the process is in a job now"},
};

void Bind(const Exports& exports, uint32_t processId) {
    const uint32_t result = exports.JobAssign(processId);
    std::printf("  JobAssign(%u) returned %u (0x%02X):\n", processId, result, result);
    if (result == 0) std::printf("    neither the process nor the job could be opened\n");
    for (const BitWords& entry : kJobBits) {
        if ((result & entry.bit) != 0) std::printf("    %s\n", entry.words);
    }
    if (result != 0 && (result & ORVANE_JOB_OPENED) == 0) {
        std::printf("    (no job could be made on this system, so the process was left alone)\n");
    }
}

}  // namespace

void BindChildProcess(const Exports& exports) {
    std::printf("Starting a child process ...\n");
    ChildProcess child;
    if (!StartChild(child)) {
        std::printf("  could not start a child process\n");
        return;
    }
    std::printf("  child process ID %u\n", child.id);
    std::printf("Binding it to the host's job ...\n");
    Bind(exports, child.id);
    std::printf("Binding it again ...\n");
    Bind(exports, child.id);
    std::printf("Ending the child process ...\n");
    EndChild(child);
    std::printf("Binding a process ID that names no process ...\n");
    Bind(exports, 0);
}

}  // namespace demo
