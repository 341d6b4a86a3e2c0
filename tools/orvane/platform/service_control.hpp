// orvane serve as a service of the operating system's service manager: its
// registration (orvane service install and uninstall) and its run under the
// manager. Windows only; a Linux build runs serve under systemd
// (docs/monitoring/orvane-serve.service) and its functions say so.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orvane_cli::platform {

struct ServiceControlResult {
    enum Kind {
        kDone,
        kNoRights,     // the service control manager refused: not an administrator
        kExists,       // install: a service of that name (or display name) exists
        kMissing,      // uninstall: no service of that name
        kUnsupported,  // not in this build
        kFailed,
    } kind = kDone;
    std::string message;  // why, for anything but kDone
    // install: what the service has but for these (its description, its
    // restart on failure), each with the reason.
    std::vector<std::string> warnings;
};

struct ServiceDefinition {
    std::string name;
    std::string displayName;
    std::string description;
    // The program's arguments after its own full path, which the registration adds.
    std::vector<std::string> arguments;
};

// kDone where this build can register services; else kUnsupported, saying what
// to do instead.
ServiceControlResult ServiceControlSupport();
// Registers this program as the service `definition.name`: automatic start,
// as NT AUTHORITY\LocalService with a service SID of its own (NT SERVICE\NAME),
// restarted 10 s, 60 s and then 5 min after a failure (a crash, or a stop with
// a non-zero exit code), the count starting again after a day without one.
ServiceControlResult InstallService(const ServiceDefinition& definition);
// Stops the service if it runs (waiting up to `stopBound` seconds for it), then
// deletes it. A service that is still stopping is deleted once it has stopped.
ServiceControlResult UninstallService(const std::string& name, int stopBound);

// Runs `body` as the service `name` under the service control manager, on a
// thread of the manager's dispatcher, and returns its exit code once the
// service has reported itself stopped. The service reports start pending until
// ServiceListening(), then running; a stop, a shutdown or a pre-shutdown
// request asks for the clean stop the console's Ctrl+C asks for
// (terminal.hpp), reported as stop pending with a checkpoint for each
// ServiceStopProgress(). A non-zero exit code is reported as the service's own
// error code, so that the restart on failure applies. False (and nothing run)
// with `error` when the process was not started by the service control manager.
bool RunAsService(const std::string& name, const std::function<int()>& body, int& exitCode,
                  std::string& error);

// Whether this process runs as a service (RunAsService's body runs).
bool RunningAsService();
// Reports the service running and taking stop requests; a no-op when not a service.
void ServiceListening();
// Reports the next step of a clean stop; a no-op when not a service or not stopping.
void ServiceStopProgress();
// The log file of a service that names none: %ProgramData%\Orvane\NAME.log, its
// folder created; empty when not a service.
std::string DefaultServiceLogFile();

}  // namespace orvane_cli::platform
