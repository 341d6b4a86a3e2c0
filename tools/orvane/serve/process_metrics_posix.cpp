// From /proc/self: statm for the resident pages, stat for the CPU ticks and the
// start (in ticks after boot, whose time /proc/stat gives), fd for descriptors.
#include <dirent.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "process_metrics.hpp"

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

}  // namespace

ProcessMetrics ReadProcessMetrics() {
    ProcessMetrics metrics;
    metrics.residentBytes = ResidentBytes();
    metrics.openFds = OpenFds();
    std::ifstream statFile("/proc/self/stat");
    std::string line;
    std::getline(statFile, line);
    // The command name may hold blanks and parentheses: fields count from the last ')'.
    const auto end = line.rfind(')');
    if (end == std::string::npos) return metrics;
    std::istringstream fields(line.substr(end + 2));
    std::string field;
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    double utime = 0, stime = 0, start = 0;
    // Field 3 (state) is the first after the name; utime is 14, stime 15, starttime 22.
    for (int number = 3; number <= 22 && fields >> field; ++number) {
        if (number == 14) utime = std::stod(field);
        if (number == 15) stime = std::stod(field);
        if (number == 22) {
            start = std::stod(field);
            metrics.cpuSeconds = (utime + stime) / ticks;
            if (const auto boot = BootTime()) metrics.startTimeSeconds = *boot + start / ticks;
        }
    }
    return metrics;
}

}  // namespace orvane_cli::serve
