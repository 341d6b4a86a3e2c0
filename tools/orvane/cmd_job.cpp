// orvane job: binds a process to the job the library keeps for its host, and
// says what each result bit means.
#include <memory>

#include "exit_codes.hpp"
#include "text_encoding.hpp"
#include "tool.hpp"

namespace orvane_cli {
namespace {

struct JobBit {
    uint32_t bit;
    const char* name;
    const char* meaning;
};

const JobBit kJobBits[] = {
    {ORVANE_JOB_IN_JOB, "in_job", "the process is in a job now"},
    {ORVANE_JOB_PROCESS_OPENED, "process_opened", "the process exists and could be opened"},
    {ORVANE_JOB_OPENED, "job_opened", "the job was created or opened"},
    {ORVANE_JOB_EXISTED, "job_existed", "the job existed before this call"},
    {ORVANE_JOB_WAS_IN_JOB, "was_in_job", "the process already belonged to a job"},
    {ORVANE_JOB_LIMITS_SET, "limits_set", "the new job ends its processes when its host ends"},
    {ORVANE_JOB_ASSIGNED, "assigned", "the process was assigned to the job by this call"},
};

int Job(Output& out, uint32_t processId) {
    return WithLibrary(out, [&](CameraLibrary& library) {
        const uint32_t bits = library.api().JobAssign(processId);
        out.Integer("pid", processId);
        out.Integer("bits", bits);
        std::string names = "[";
        out.Line("JobAssign(" + std::to_string(processId) + ") = " + std::to_string(bits));
        for (const JobBit& bit : kJobBits) {
            const bool set = (bits & bit.bit) != 0;
            out.Line(std::string(set ? "  [x] " : "  [ ] ") + std::to_string(bit.bit) + " " + bit.meaning);
            if (set) names += std::string(names.size() > 1 ? ", " : "") + JsonString(bit.name);
        }
        out.Raw("set", names + "]");
        // No bit at all means the process was not found (or could not be opened).
        // Bits such as "job opened" can be set without the process being bound; only
        // an opened process counts as success.
        if ((bits & ORVANE_JOB_PROCESS_OPENED) == 0) {
            out.Text("error", "process " + std::to_string(processId) + " could not be opened");
            out.Warn("process " + std::to_string(processId) + " could not be opened");
            return static_cast<int>(kExitFailed);
        }
        return static_cast<int>(kExitOk);
    });
}

}  // namespace

void AddJobCommand(CLI::App& app, Tool& tool) {
    auto* job = app.add_subcommand("job", "Bind a process to the host's job and explain the result");
    auto processId = std::make_shared<uint32_t>(0);
    job->add_option("pid", *processId, "Process ID")->required()->check(CLI::Range(1u, 0xFFFFFFFFu));
    job->callback(
        [&tool, processId] { tool.run = [processId](Output& out) { return Job(out, *processId); }; });
}

}  // namespace orvane_cli
