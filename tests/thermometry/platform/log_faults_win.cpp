#include "log_faults.hpp"

#include <windows.h>

#include <cstdio>
#include <filesystem>

namespace testsupport {
namespace {

namespace fs = std::filesystem;

}  // namespace

// Faults that need a FIFO, /dev/full or file permissions cannot be made here.
std::vector<LogFault> PlatformLogFaults() {
    std::vector<LogFault> faults;
    faults.emplace_back("log path is a folder",
                        [](const std::string&, const std::string& path, std::string&) {
                            return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
                        });
    faults.emplace_back("drive absent (no folder)",
                        [](const std::string& folder, const std::string&, std::string&) {
                            return ::RemoveDirectoryA(folder.c_str()) != FALSE;
                        });
    AddChangeBetweenEvents(faults, "log renamed between events", [](const std::string& path) {
        std::rename(path.c_str(), (path + ".old").c_str());
    });
    AddChangeBetweenEvents(faults, "log truncated between events", [](const std::string& path) {
        // Opened with full sharing, as the library opens it.
        HANDLE file =
            ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    });
    AddRemovalsBetweenEvents(faults);
    return faults;
}

std::string MakeScenarioFolder(const std::string& name) {
    const fs::path folder =
        fs::temp_directory_path() / ("orvane-fault-" + std::to_string(::GetCurrentProcessId()) + "-" + name);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    return folder.string();
}

void RemoveFolder(const std::string& folder) {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

bool RunAsOtherUser(const std::function<bool()>&, std::string& skipped, bool&) {
    skipped = "no unprivileged user to switch to here";
    return false;
}

}  // namespace testsupport
