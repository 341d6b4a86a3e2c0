// orvane job: binds a running process to the job the library keeps for this
// orvane process, and says what each result bit means. The process then ends
// the moment orvane ends, so the command asks for --yes; `orvane run` is the
// way to supervise a command.
#include <memory>

#include "commands/exit_codes.hpp"
#include "commands/tool.hpp"
#include "library/text_encoding.hpp"
#include "platform/child_process.hpp"

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

struct JobOptions {
    uint32_t processId = 0;
    bool yes = false;
};

int Job(Output& out, const JobOptions& options) {
    const uint32_t processId = options.processId;
    if (processId == 1 || processId == platform::CurrentProcessId() ||
        processId == platform::ParentProcessId()) {
        return out.Error(kExitUsage, "refusing to bind process " + std::to_string(processId) +
                                         ": it is the system's first process, orvane itself or the program "
                                         "that started orvane");
    }
    if (!options.yes) {
        return out.Error(kExitUsage, "job kills process " + std::to_string(processId) +
                                         " the moment orvane exits; give --yes if that is what you want, or "
                                         "start the command with 'orvane run'");
    }
    out.Warn("warning: process " + std::to_string(processId) + " dies when this orvane process exits");
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
            return out.Error(kExitFailed, "process " + std::to_string(processId) + " could not be opened");
        }
        return static_cast<int>(kExitOk);
    });
}

}  // namespace

void AddJobCommand(CLI::App& app, Tool& tool) {
    auto* job = app.add_subcommand(
        "job",
        "Bind a running process to this orvane's job (it dies when orvane exits) and explain the bits");
    auto options = std::make_shared<JobOptions>();
    job->add_option("pid", options->processId, "Process ID")->required()->check(CLI::Range(1u, 0xFFFFFFFFu));
    job->add_flag("--yes", options->yes, "Bind it although it then dies when orvane exits");
    job->callback([&tool, options] { tool.run = [options](Output& out) { return Job(out, *options); }; });
}

}  // namespace orvane_cli
