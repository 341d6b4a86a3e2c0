// From the process's own counters: the working set, the kernel and user times,
// the handle count and the creation time (FILETIME ticks of 100 ns since 1601).
#include <windows.h>

#include <psapi.h>

#include "serve/process_metrics.hpp"

namespace orvane_cli::serve {
namespace {

double Ticks(const FILETIME& time) {
    return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                               time.dwLowDateTime);
}

constexpr double kTicksPerSecond = 1e7;
constexpr double kSeconds1601To1970 = 11644473600.0;

}  // namespace

ProcessMetrics ReadProcessMetrics() {
    ProcessMetrics metrics;
    HANDLE self = ::GetCurrentProcess();
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(self, &memory, sizeof memory) != 0) {
        metrics.residentBytes = static_cast<double>(memory.WorkingSetSize);
    }
    FILETIME created{}, exited{}, kernel{}, user{};
    if (::GetProcessTimes(self, &created, &exited, &kernel, &user) != 0) {
        metrics.cpuSeconds = (Ticks(kernel) + Ticks(user)) / kTicksPerSecond;
        metrics.startTimeSeconds = Ticks(created) / kTicksPerSecond - kSeconds1601To1970;
    }
    DWORD handles = 0;
    // A running process always holds handles: 0 means the system did not count them (wine).
    if (::GetProcessHandleCount(self, &handles) != 0 && handles != 0) {
        metrics.openFds = static_cast<double>(handles);
    }
    return metrics;
}

}  // namespace orvane_cli::serve
