// From /proc/self: statm for the resident pages, stat for the CPU ticks and the
// start (in ticks after boot, whose time /proc/stat gives), fd for descriptors.
#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "serve/process_metrics.hpp"

namespace orvane_cli::serve {
namespace {

std::optional<double> ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    double size = 0, resident = 0;
    if (!(statm >> size >> resident)) return std::nullopt;
    return resident * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

std::optional<double> BootTime() {
    std::ifstream stat("/proc/stat");
    std::string word;
    while (stat >> word) {
        if (word == "btime") {
            double seconds = 0;
            if (stat >> seconds) return seconds;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<double> OpenFds() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) return std::nullopt;
    double count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') ++count;
    }
    ::closedir(dir);
    return count - 1;  // without the one reading the folder
}

// utime and stime (fields 14 and 15) and starttime (22) of /proc/self/stat; the
// command name (field 2) may hold blanks and parentheses, so fields count from the last ')'.
struct StatTimes {
    double cpuTicks = 0, startTicks = 0;
};
std::optional<StatTimes> ReadStatTimes() {
    std::ifstream statFile("/proc/self/stat");
    std::string line;
    std::getline(statFile, line);
    const auto end = line.rfind(')');
    if (end == std::string::npos) return std::nullopt;
    std::istringstream fields(line.substr(end + 2));
    std::string field;
    StatTimes times;
    for (int number = 3; number <= 22 && fields >> field; ++number) {
        if (number == 14 || number == 15) times.cpuTicks += std::stod(field);
        if (number == 22) {
            times.startTicks = std::stod(field);
            return times;
        }
    }
    return std::nullopt;
}

}  // namespace

ProcessMetrics ReadProcessMetrics() {
    ProcessMetrics metrics;
    metrics.residentBytes = ResidentBytes();
    metrics.openFds = OpenFds();
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    const std::optional<StatTimes> times = ReadStatTimes();
    if (times) metrics.cpuSeconds = times->cpuTicks / ticks;
    // The start never changes: the boot time is read once.
    static const std::optional<double> boot = BootTime();
    if (times && boot) metrics.startTimeSeconds = *boot + times->startTicks / ticks;
    return metrics;
}

}  // namespace orvane_cli::serve
