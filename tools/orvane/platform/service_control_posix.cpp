#include "service_control.hpp"

namespace orvane_cli::platform {
namespace {

const char* const kWindowsOnly =
    "orvane service is for Windows; on Linux run orvane serve under systemd with the unit "
    "docs/monitoring/orvane-serve.service (docs/monitoring.md)";

}  // namespace

ServiceControlResult ServiceControlSupport() {
    return {ServiceControlResult::kUnsupported, kWindowsOnly, {}};
}

ServiceControlResult InstallService(const ServiceDefinition&) {
    return {ServiceControlResult::kUnsupported, kWindowsOnly, {}};
}

ServiceControlResult UninstallService(const std::string&, int) {
    return {ServiceControlResult::kUnsupported, kWindowsOnly, {}};
}

bool RunAsService(const std::string&, const std::function<int()>&, int&, std::string& error) {
    error = kWindowsOnly;
    return false;
}

bool RunningAsService() { return false; }
void ServiceListening() {}
void ServiceStopProgress() {}
std::string DefaultServiceLogFile() { return ""; }

}  // namespace orvane_cli::platform
