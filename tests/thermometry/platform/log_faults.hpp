// Faults the operating system can put on the log file, for the fault tests:
// each is made in an empty folder of the test's own.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

using MakeLogFault =
    std::function<bool(const std::string& folder, const std::string& path, std::string& skipped)>;

struct LogFault {
    LogFault(const char* faultName, MakeLogFault makeFault) : name(faultName), make(std::move(makeFault)) {}
    const char* name;
    // Puts the fault on the log file `path` in `folder`; false, with the reason
    // in `skipped`, when this system cannot make it.
    MakeLogFault make;
    // Done between the two events of the scenario; may be empty.
    std::function<void(const std::string& path)> between;
    // Frees a writer that the fault keeps waiting; may be empty.
    std::function<void(const std::string& path)> release;
    // Undoes what the fault changed outside its folder; may be empty.
    std::function<void()> restore;
    // After the scenario, the log file holds the second event's lines and only them.
    bool secondEventLogged = false;
    // Only a user other than root meets this fault (root ignores permissions).
    bool asOtherUser = false;
};

// The faults of this system.
std::vector<LogFault> PlatformLogFaults();

// A change another program makes to the log between two events (renaming or
// truncating it): the next line starts the file afresh and nothing after it is lost.
inline void AddChangeBetweenEvents(std::vector<LogFault>& faults, const char* name,
                                   std::function<void(const std::string& path)> change) {
    LogFault& fault =
        faults.emplace_back(name, [](const std::string&, const std::string&, std::string&) { return true; });
    fault.between = std::move(change);
    fault.secondEventLogged = true;
}

// Another program deleting the log, or its whole folder and making the folder anew
// (as the log's folder must be: the user's own, closed to others' writes), between
// two events: the next event starts a new file there.
inline void AddRemovalsBetweenEvents(std::vector<LogFault>& faults) {
    AddChangeBetweenEvents(faults, "log deleted between events",
                           [](const std::string& path) { std::filesystem::remove(path); });
    AddChangeBetweenEvents(
        faults, "folder removed and made anew between events", [](const std::string& path) {
            namespace fs = std::filesystem;
            const fs::path folder = fs::path(path).parent_path();
            fs::remove_all(folder);
            fs::create_directory(folder);
            fs::permissions(folder, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
        });
}

// A fresh empty folder for one scenario; removed again by RemoveFolder.
std::string MakeScenarioFolder(const std::string& name);
void RemoveFolder(const std::string& folder);

// Runs the scenario as a user other than root: directly when the test is not
// root, otherwise in a child process that drops to an unprivileged user. False,
// with the reason in `skipped`, when that cannot be done; otherwise whether the
// scenario returned true (a child that does not end in time fails).
bool RunAsOtherUser(const std::function<bool()>& scenario, std::string& skipped, bool& passed);

}  // namespace testsupport
