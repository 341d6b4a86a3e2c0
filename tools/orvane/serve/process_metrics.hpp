// The service's own process, as monitoring systems expect every exporter to
// report it: resident memory, CPU time, open descriptors (handles on Windows)
// and its start. Each is absent when the system does not tell.
#pragma once

#include <optional>

namespace orvane_cli::serve {

struct ProcessMetrics {
    std::optional<double> residentBytes;
    std::optional<double> cpuSeconds;  // user and system
    std::optional<double> openFds;
    std::optional<double> startTimeSeconds;  // Unix seconds
};

ProcessMetrics ReadProcessMetrics();

}  // namespace orvane_cli::serve
