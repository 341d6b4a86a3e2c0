#include "log_faults.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace testsupport {
namespace {

namespace fs = std::filesystem;

// The unprivileged user a root test drops to.
constexpr uid_t kNobody = 65534;

rlimit savedSizeLimit{};

}  // namespace

std::vector<LogFault> PlatformLogFaults() {
    std::vector<LogFault> faults;
    faults.emplace_back("disk full (the log a link to /dev/full)",
                        [](const std::string&, const std::string& path, std::string& skipped) {
                            if (::access("/dev/full", W_OK) != 0) {
                                skipped = "no /dev/full";
                                return false;
                            }
                            return ::symlink("/dev/full", path.c_str()) == 0;
                        });
    LogFault& full = faults.emplace_back("no room left (file size limit, as on a full disk)",
                                         [](const std::string&, const std::string&, std::string& skipped) {
                                             // Writes past the limit fail as on a full disk (EFBIG instead of
                                             // ENOSPC).
                                             std::signal(SIGXFSZ, SIG_IGN);
                                             rlimit limit{};
                                             if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) {
                                                 skipped = "no file size limit";
                                                 return false;
                                             }
                                             savedSizeLimit = limit;
                                             limit.rlim_cur = 0;
                                             return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
                                         });
    full.restore = [] { ::setrlimit(RLIMIT_FSIZE, &savedSizeLimit); };
    LogFault& readOnly = faults.emplace_back(
        "read-only folder", [](const std::string& folder, const std::string&, std::string&) {
            // The folder belongs to the user the scenario runs as, as the log's
            // folder must, but that user may not write in it.
            if (::geteuid() == 0 && ::chown(folder.c_str(), kNobody, kNobody) != 0) return false;
            return ::chmod(folder.c_str(), 0555) == 0;
        });
    readOnly.asOtherUser = true;
    faults.emplace_back("log path is a folder",
                        [](const std::string&, const std::string& path, std::string&) {
                            return ::mkdir(path.c_str(), 0755) == 0;
                        });
    faults
        .emplace_back("log path is a FIFO nobody reads",
                      [](const std::string&, const std::string& path, std::string&) {
                          return ::mkfifo(path.c_str(), 0644) == 0;
                      })
        .release = [](const std::string& path) {
        // Opening the reading end lets a blocked open go on; what it wrote is
        // then read away, so that no write waits either.
        const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
        if (reader < 0) return;
        char drained[4096];
        for (int i = 0; i < 200; ++i) {
            while (::read(reader, drained, sizeof drained) > 0) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::close(reader);
    };
    faults.emplace_back("drive absent (no folder)",
                        [](const std::string& folder, const std::string&, std::string&) {
                            return ::rmdir(folder.c_str()) == 0;
                        });
    AddChangeBetweenEvents(faults, "log renamed between events", [](const std::string& path) {
        std::rename(path.c_str(), (path + ".old").c_str());
    });
    AddChangeBetweenEvents(faults, "log truncated between events", [](const std::string& path) {
        if (::truncate(path.c_str(), 0) != 0) std::perror("truncate");
    });
    AddRemovalsBetweenEvents(faults);
    return faults;
}

std::string MakeScenarioFolder(const std::string& name) {
    const fs::path folder =
        fs::temp_directory_path() / ("orvane-fault-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(folder);
    fs::create_directories(folder);
    // The log's folder must be the user's own and closed to others' writes.
    ::chmod(folder.c_str(), 0755);
    return folder.string();
}

void RemoveFolder(const std::string& folder) {
    std::error_code ignored;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(folder, ignored);
}

bool RunAsOtherUser(const std::function<bool()>& scenario, std::string& skipped, bool& passed) {
    if (::geteuid() != 0) {
        passed = scenario();
        return true;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        skipped = "no child process";
        return false;
    }
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
        ::_exit(scenario() ? 0 : 1);
    }
    int status = 0;
    for (int waited = 0; waited < 1000; ++waited) {
        if (::waitpid(child, &status, WNOHANG) == child) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 2) {
                skipped = "cannot drop to an unprivileged user";
                return false;
            }
            passed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    passed = false;
    return true;
}

}  // namespace testsupport
