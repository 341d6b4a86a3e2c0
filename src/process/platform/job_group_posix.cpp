#include "process/platform/job_group_posix.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>

namespace orvane::process {
namespace {

// Where the version-2 hierarchy is mounted with its root visible, or "".
std::string GroupMountPoint() {
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    while (std::getline(mounts, line)) {
        // "id parent major:minor root mountpoint options... - type source options"
        const size_t separator = line.find(" - ");
        if (separator == std::string::npos || line.compare(separator + 3, 8, "cgroup2 ") != 0) continue;
        size_t at = 0;
        std::string fields[5];
        for (std::string& field : fields) {
            const size_t end = line.find(' ', at);
            if (end == std::string::npos) return {};
            field = line.substr(at, end - at);
            at = end + 1;
        }
        // Escaped characters or a mount of a subtree: not worth mapping.
        if (fields[3] != "/" || fields[4].find('\\') != std::string::npos) return {};
        return fields[4];
    }
    return {};
}

// The host's own group in the version-2 hierarchy ("0::/path"), or "".
std::string OwnGroup() {
    std::ifstream groups("/proc/self/cgroup");
    std::string line;
    while (std::getline(groups, line)) {
        if (line.rfind("0::/", 0) == 0) return line.substr(3);
    }
    return {};
}

}  // namespace

int CreateJobGroup(char (&path)[kGroupPathCapacity]) noexcept {
    try {
        const std::string mount = GroupMountPoint();
        const std::string own = OwnGroup();
        if (mount.empty() || own.empty()) return -1;
        static std::atomic<unsigned> created{0};
        const std::string folder = mount + (own == "/" ? "" : own) + "/orvane-job-" +
                                   std::to_string(::getpid()) + "-" + std::to_string(created++);
        if (folder.size() >= sizeof path) return -1;
        if (::mkdir(folder.c_str(), 0755) != 0) return -1;
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // The kill switch arrived in Linux 5.14; without it the group is no use.
        if (fd >= 0 && ::faccessat(fd, "cgroup.kill", W_OK, 0) == 0) {
            std::snprintf(path, sizeof path, "%s", folder.c_str());
            return fd;
        }
        if (fd >= 0) ::close(fd);
        ::rmdir(folder.c_str());
        return -1;
    } catch (...) {
        return -1;
    }
}

}  // namespace orvane::process
