// orvane service: orvane serve as a Windows service (platform/service_control.hpp).
// install registers a serve command line, which it checks with the program's
// own parser; the service control manager then starts the hidden
// `service run`, which runs that line under it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/command_line.hpp"
#include "commands/exit_codes.hpp"
#include "commands/tool.hpp"
#include "platform/service_control.hpp"

namespace orvane_cli {
namespace {

constexpr const char* kDefaultName = "orvane";
// How long uninstall waits for a running service to stop: each camera's logout
// may wait for the SDK's connect timeout.
constexpr int kStopBound = 60;

// The serve command line of a service, parsed as the program's own.
struct ServeLine {
    CLI::App app{"", "orvane"};
    Tool tool;
};

bool IsPasswordOption(const std::string& word) {
    return word == "--password" || word.rfind("--password=", 0) == 0;
}

// The line, or nothing with `problem` when serve would not take it or it puts
// a password on the command line.
std::unique_ptr<ServeLine> ParseServeLine(const std::vector<std::string>& words, std::string& problem) {
    if (words.empty()) {
        problem =
            "no serve command line after --: orvane service install [--name NAME] -- serve --config FILE";
        return nullptr;
    }
    for (const std::string& word : words) {
        if (IsPasswordOption(word)) {
            problem =
                "a password on the service's command line is refused: every user of the host can read it; "
                "give --password-file with a file that only the service and the administrators may read";
            return nullptr;
        }
    }
    auto line = std::make_unique<ServeLine>();
    AddCommandLine(line->app, line->tool);
    const Parsed parsed = ParseCommandLine(line->app, words);
    if (parsed.kind == Parsed::kUsageError) {
        problem = "the serve command line: " + parsed.message;
        return nullptr;
    }
    if (parsed.kind == Parsed::kPrinted || line->app.get_subcommand("serve")->count() == 0) {
        problem = "the words after -- must be an orvane serve command line";
        return nullptr;
    }
    return line;
}

// A file the service reads must not depend on where it starts (C:\Windows\System32).
std::string RelativePathProblem(const ServeLine& line) {
    const CLI::App* serve = line.app.get_subcommand("serve");
    for (const char* name : {"--config", "--password-file", "--log.file"}) {
        const CLI::Option* option = serve->get_option(name);
        if (option->count() == 0) continue;
        const std::string path = option->as<std::string>();
        const bool absolute = (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
                              path.rfind("\\\\", 0) == 0 || path.rfind("/", 0) == 0;
        if (!absolute)
            return std::string(name) + " " + path +
                   ": give the full path (C:\\...): a service starts in another folder";
    }
    return "";
}

int ExitCodeOf(const platform::ServiceControlResult& result) {
    switch (result.kind) {
        case platform::ServiceControlResult::kDone:
            return kExitOk;
        case platform::ServiceControlResult::kNoRights:
            return kExitNoRights;
        case platform::ServiceControlResult::kUnsupported:
            return kExitUsage;
        default:
            return kExitFailed;
    }
}

int Report(Output& out, const std::string& name, const platform::ServiceControlResult& result,
           const std::string& done) {
    if (result.kind != platform::ServiceControlResult::kDone)
        return out.Error(ExitCodeOf(result), result.message);
    for (const std::string& warning : result.warnings) out.Warn("warning: " + warning);
    out.Text("service", name);
    out.Line(done);
    return kExitOk;
}

int Install(Output& out, const std::string& name, const std::vector<std::string>& words) {
    if (const auto support = platform::ServiceControlSupport();
        support.kind != platform::ServiceControlResult::kDone)
        return Report(out, name, support, "");
    std::string problem;
    auto line = ParseServeLine(words, problem);
    if (!line) return out.Error(kExitUsage, problem);
    if (problem = RelativePathProblem(*line); !problem.empty()) return out.Error(kExitUsage, problem);
    platform::ServiceDefinition definition{
        name,
        "orvane serve (" + name + ")",
        "Watches the site's thermal cameras and serves their readings and health to Prometheus over HTTP",
        {"service", "run", "--name", name, "--"}};
    definition.arguments.insert(definition.arguments.end(), words.begin(), words.end());
    return Report(
        out, name, platform::InstallService(definition),
        "Installed the service " + name + ", started at boot; start it now with: net start " + name);
}

// Under the service control manager: the line is parsed there, so that even a
// line that no longer parses ends as a service stopped with an error.
int RunUnderServiceManager(Output& out, const std::string& name, const std::vector<std::string>& words) {
    const std::function<int()> body = [&out, &words] {
        std::string problem;
        auto line = ParseServeLine(words, problem);
        if (!line) return out.Error(kExitUsage, problem);
        return line->tool.run(out);
    };
    int exitCode = kExitOk;
    std::string error;
    if (!platform::RunAsService(name, body, exitCode, error)) return out.Error(kExitUsage, error);
    return exitCode;
}

CLI::Option* AddNameOption(CLI::App& command, std::string& name) {
    return command
        .add_option("--name", name,
                    "The service's name (" + std::string(kDefaultName) + "); one per site's serve")
        ->check([](const std::string& value) {
            return value.empty() || value.size() > 80 || value.find_first_of("/\\ \"") != std::string::npos
                       ? std::string("a name of 1 to 80 characters without /, \\, blanks or quotes")
                       : std::string();
        })
        ->capture_default_str();
}

}  // namespace

void AddServiceCommand(CLI::App& app, Tool& tool) {
    auto* service = app.add_subcommand("service", "Install orvane serve as a Windows service, or remove it");
    service->require_subcommand(1);
    auto name = std::make_shared<std::string>(kDefaultName);

    auto* install = service->add_subcommand(
        "install",
        "Register orvane serve, with the serve command line after --, as a service started at boot and "
        "restarted after a failure (needs administrator rights)");
    AddNameOption(*install, *name);
    install->footer(
        "Usage: orvane service install [--name NAME] -- serve --config C:\\ProgramData\\Orvane\\site.toml "
        "--password-file C:\\ProgramData\\Orvane\\password.txt\n"
        "Exit codes: 0 installed, 1 it exists or failed, 2 bad arguments, 6 not run as administrator.");
    install->callback([&tool, name] {
        tool.run = [&tool, name](Output& out) { return Install(out, *name, tool.serviceCommand); };
    });

    auto* uninstall = service->add_subcommand(
        "uninstall", "Stop the service if it runs, and remove it (needs administrator rights)");
    AddNameOption(*uninstall, *name);
    uninstall->footer(
        "Exit codes: 0 removed, 1 no such service or failed, 2 bad arguments, 6 not run as "
        "administrator.");
    uninstall->callback([&tool, name] {
        tool.run = [name](Output& out) {
            return Report(out, *name, platform::UninstallService(*name, kStopBound),
                          "Removed the service " + *name);
        };
    });

    // What the service control manager starts: not for people.
    auto* run = service->add_subcommand("run", "");
    run->group("");
    AddNameOption(*run, *name);
    run->callback([&tool, name] {
        tool.run = [&tool, name](Output& out) {
            return RunUnderServiceManager(out, *name, tool.serviceCommand);
        };
    });
}

}  // namespace orvane_cli
