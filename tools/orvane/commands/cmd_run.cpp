// orvane run: runs a command bound to the job the library keeps for this
// process, so that the command ends whenever orvane ends, however it ends.
#include <memory>

#include "commands/exit_codes.hpp"
#include "commands/tool.hpp"
#include "platform/child_process.hpp"

namespace orvane_cli {
namespace {

// As shells and other wrappers say it: the command could not be run at all.
constexpr int kExitCannotRun = 127;

class RunUsage final : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App*, std::string) const override {
        return "Usage: orvane [--json] run [--] COMMAND [ARG...]\n";
    }
};

int Run(Output& out, const std::vector<std::string>& command) {
    return WithLibrary(out, [&](CameraLibrary& library) {
        std::string error;
        // Held until bound: killing orvane at any moment from here on ends the
        // command too, and before the binding it has not run anything.
        auto child = platform::HeldChild::Start(command, error);
        if (!child) return out.Error(kExitCannotRun, error);
        const uint32_t pid = child->ProcessId();
        const uint32_t bits = library.api().JobAssign(pid);
        out.Integer("pid", pid);
        out.Integer("job_bits", bits);
        out.Detail("JobAssign(" + std::to_string(pid) + ") = " + std::to_string(bits));
        if ((bits & ORVANE_JOB_IN_JOB) == 0) {
            return out.Error(kExitFailed, "cannot bind " + command[0] + " to the job (JobAssign gave " +
                                              std::to_string(bits) + "); it was not run");
        }
        if (!child->Release(error)) return out.Error(kExitCannotRun, error);
        const int code = child->Wait();
        out.Integer("command_exit_code", code);
        return code;
    });
}

}  // namespace

void AddRunCommand(CLI::App& app, Tool& tool) {
    auto* run = app.add_subcommand(
        "run",
        "Run a command bound to this orvane's job: it ends when orvane ends, however orvane ends. "
        "Exits with the command's exit code (128 + N when signal N ended it)");
    // The words after "run" never reach the parser (TakeRunCommand has them), so
    // the usage line CLI11 would make says nothing of them: this one replaces it.
    run->formatter(std::make_shared<RunUsage>());
    run->callback([&tool] {
        tool.run = [&tool](Output& out) {
            if (tool.runCommand.empty()) {
                return out.Error(kExitUsage, "run: no command given (orvane run [--] COMMAND [ARG...])");
            }
            return Run(out, tool.runCommand);
        };
    });
}

}  // namespace orvane_cli
