// The binding on Linux: a watcher process ends the bound processes when the host
// ends. Hosts are separate programs (job_host_posix), each scenario a fresh one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "OrvaneLib.h"
#include "dynamic_library.hpp"
#include "process/job_binding.hpp"

extern char** environ;

namespace orvane::process {
namespace {

std::string ProgramFolder() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string program(path, length > 0 ? static_cast<size_t>(length) : 0);
    return program.substr(0, program.rfind('/') + 1);
}

// A child that sleeps until it is ended; ended and reaped on destruction.
class SleepingChild {
public:
    SleepingChild() { Start(); }
    ~SleepingChild() { End(); }
    SleepingChild(const SleepingChild&) = delete;
    SleepingChild& operator=(const SleepingChild&) = delete;

    uint32_t Id() const { return static_cast<uint32_t>(pid_); }
    bool Running() const {
        int status = 0;
        return pid_ != 0 && ::waitpid(pid_, &status, WNOHANG) == 0;
    }
    // Polls until the child has ended (it is then reaped), within a generous bound.
    bool EndsSoon() {
        for (int i = 0; i < 200 && Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (Running()) return false;
        pid_ = 0;
        return true;
    }
    void End() {
        if (pid_ == 0) return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = 0;
    }
    // Ends the child, then starts a new one that gets the same process ID, by
    // setting the namespace's last ID (needs privilege); false if it got another.
    bool RestartWithSameId() {
        const pid_t wanted = pid_;
        End();
        for (int attempt = 0; attempt < 20; ++attempt) {
            FILE* last = std::fopen("/proc/sys/kernel/ns_last_pid", "w");
            if (last == nullptr) return false;
            std::fprintf(last, "%d", wanted - 1);
            const bool written = std::fclose(last) == 0;
            Start();
            if (!written || pid_ == wanted) return pid_ == wanted;
            End();
        }
        return false;
    }

private:
    void Start() {
        char program[] = "sleep";
        char seconds[] = "60";
        char* arguments[] = {program, seconds, nullptr};
        if (::posix_spawnp(&pid_, "sleep", nullptr, nullptr, arguments, environ) != 0) pid_ = 0;
    }
    pid_t pid_ = 0;
};

// The ID of a process that has ended and been reaped.
uint32_t EndedProcessId() {
    SleepingChild child;
    const uint32_t id = child.Id();
    child.End();
    return id;
}

// A fresh host program that binds the process IDs it is given.
class ScenarioHost {
public:
    ScenarioHost() {
        int toHost[2];
        int fromHost[2];
        if (::pipe2(toHost, O_CLOEXEC) != 0 || ::pipe2(fromHost, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toHost[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromHost[1], 1);
        const std::string path = ProgramFolder() + "job_host_posix";
        char* arguments[] = {const_cast<char*>(path.c_str()), nullptr};
        if (::posix_spawn(&pid_, path.c_str(), &actions, nullptr, arguments, environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(toHost[0]);
        ::close(fromHost[1]);
        input_ = ::fdopen(toHost[1], "w");
        output_ = ::fdopen(fromHost[0], "r");
    }
    ~ScenarioHost() {
        if (pid_ != 0) End(SIGKILL);
        if (output_ != nullptr) std::fclose(output_);
    }
    ScenarioHost(const ScenarioHost&) = delete;
    ScenarioHost& operator=(const ScenarioHost&) = delete;

    bool Started() const { return pid_ != 0 && input_ != nullptr && output_ != nullptr; }
    // JobAssign's result in the host; ~0u if the host gave none.
    uint32_t Bind(uint32_t processId) {
        unsigned result = ~0u;
        std::fprintf(input_, "%u\n", processId);
        std::fflush(input_);
        if (std::fscanf(output_, "%u", &result) != 1) return ~0u;
        return result;
    }
    // Kills the host, or with signal 0 lets it exit normally; true when it exited normally.
    bool End(int signal) {
        if (signal != 0) ::kill(pid_, signal);
        std::fclose(input_);
        input_ = nullptr;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = 0;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    pid_t pid_ = 0;
    FILE* input_ = nullptr;
    FILE* output_ = nullptr;
};

enum class Act {
    bind,     // bind a child (or `id` when child is kAnId, an ended process's ID when kEndedId)
    reuseId,  // end a child and start another with the same process ID in its place
};
constexpr int kAnId = -1;
constexpr int kEndedId = -2;

struct Step {
    Act act;
    int child;
    uint32_t expected = 0;
    uint32_t id = 0;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
    int hostEndSignal;           // SIGKILL, or 0 to let the host exit normally
    std::vector<bool> survives;  // per child: whether it must outlive the host
};

void RunScenario(const Scenario& scenario) {
    SCOPED_TRACE(scenario.name);
    std::vector<SleepingChild> children(scenario.survives.size());
    ScenarioHost host;
    ASSERT_TRUE(host.Started());
    for (const Step& step : scenario.steps) {
        if (step.act == Act::reuseId) {
            if (!children[step.child].RestartWithSameId())
                GTEST_SKIP() << "cannot choose the next process ID";
            continue;
        }
        const uint32_t id = step.child == kAnId      ? step.id
                            : step.child == kEndedId ? EndedProcessId()
                                                     : children[step.child].Id();
        EXPECT_EQ(host.Bind(id), step.expected) << "binding " << id;
    }
    EXPECT_EQ(host.End(scenario.hostEndSignal), scenario.hostEndSignal == 0);
    for (size_t i = 0; i < children.size(); ++i) {
        if (!scenario.survives[i]) {
            EXPECT_TRUE(children[i].EndsSoon()) << "child " << i << " outlived the host";
        }
    }
    // The watcher ends the processes in one go: once the others ended, a
    // survivor would have been signalled already.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (size_t i = 0; i < children.size(); ++i) {
        if (scenario.survives[i]) {
            EXPECT_TRUE(children[i].Running()) << "child " << i << " was ended";
        }
    }
}

const Scenario kScenarios[] = {
    {"host killed, two children end", {{Act::bind, 0, 103}, {Act::bind, 1, 79}}, SIGKILL, {false, false}},
    {"host exits normally, children end", {{Act::bind, 0, 103}, {Act::bind, 1, 79}}, 0, {false, false}},
    {"same child twice",
     {{Act::bind, 0, 103}, {Act::bind, 0, 31}, {Act::bind, 1, 79}},
     SIGKILL,
     {false, false}},
    {"IDs of no process first, then a child",
     {{Act::bind, kAnId, 36, 0},
      {Act::bind, kAnId, 4, 0x80000000u},
      {Act::bind, kAnId, 4, 0xFFFFFFFFu},
      {Act::bind, kEndedId, 4},
      {Act::bind, 0, 79}},
     0,
     {false}},
    {"an unbound child", {{Act::bind, 1, 103}}, SIGKILL, {true, false}},
};

// A bound child that ended early; another process later gets its ID.
const Scenario kReusedIdScenarios[] = {
    {"the later process is never ended",
     {{Act::bind, 0, 103}, {Act::reuseId, 0}, {Act::bind, 1, 79}},
     SIGKILL,
     {true, false}},
    {"the later process is not counted as bound",
     {{Act::bind, 0, 103}, {Act::reuseId, 0}, {Act::bind, 0, 79}},
     0,
     {false}},
};

TEST(JobOsPosixTest, BoundProcessesEndWithTheHostAndNothingElse) {
    for (const Scenario& scenario : kScenarios) RunScenario(scenario);
}

TEST(JobOsPosixTest, AReusedProcessIdIsNotConfusedWithTheEndedProcess) {
    for (const Scenario& scenario : kReusedIdScenarios) RunScenario(scenario);
}

const uint32_t kNoProcessIds[] = {0u, 0x80000000u, 0xFFFFFFFFu};

// In this test program itself, which becomes a host with a watcher of its own:
// what a call reports does not depend on the calls before it.
TEST(JobOsPosixTest, ExistingProcessIsBoundOnceAndNotEndedWhileTheHostRuns) {
    SleepingChild child;
    ASSERT_NE(child.Id(), 0u);
    const JobOs& os = SystemJobOs();
    EXPECT_NE(os.openProcess(child.Id()), kNoHandle);
    const uint32_t first = JobAssign(os, child.Id());
    EXPECT_EQ(first & ~uint32_t{jobExisted | limitsSet},
              uint32_t{inJob | processOpened | jobOpened | assigned});
    EXPECT_EQ(JobAssign(os, child.Id()), 31u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(child.Running());
}

TEST(JobOsPosixTest, IdsThatNameNoProcessAreNeverOpened) {
    // 0 and IDs beyond pid_t would mean process groups to the system.
    for (uint32_t id : kNoProcessIds) {
        EXPECT_EQ(JobAssign(SystemJobOs(), id) & ~uint32_t{limitsSet}, uint32_t{jobOpened}) << id;
    }
    EXPECT_EQ(JobAssign(SystemJobOs(), EndedProcessId()), uint32_t{jobOpened});
}

TEST(JobOsPosixTest, ExportedFunctionReportsTheSame) {
    hostloader::DynamicLibrary library;
    std::string error;
    ASSERT_TRUE(library.Open(hostloader::LibraryFileName(), error)) << error;
    const auto jobAssign = library.Export<JobAssignFn>("JobAssign", 1);
    ASSERT_NE(jobAssign, nullptr);

    SleepingChild child;
    EXPECT_EQ(jobAssign(child.Id()) & ~uint32_t{ORVANE_JOB_EXISTED | ORVANE_JOB_LIMITS_SET}, 71u);
    EXPECT_EQ(jobAssign(child.Id()), 31u);
    EXPECT_TRUE(child.Running());
    for (uint32_t id : kNoProcessIds) EXPECT_EQ(jobAssign(id) & ~uint32_t{ORVANE_JOB_LIMITS_SET}, 4u) << id;
    EXPECT_EQ(jobAssign(EndedProcessId()), 4u);
}

}  // namespace
}  // namespace orvane::process
