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
#include "process/job_host_driver_posix.hpp"

namespace orvane::process {
namespace {

using testsupport::EndedProcessId;
using testsupport::ScenarioHost;
using testsupport::SleepingChild;

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
    const OsHandle opened = os.openProcess(child.Id());
    EXPECT_NE(opened, kNoHandle);
    os.closeHandle(opened);
    const uint32_t first = JobAssign(os, HostJobHandle(), child.Id());
    EXPECT_EQ(first & ~uint32_t{jobExisted | limitsSet},
              uint32_t{inJob | processOpened | jobOpened | assigned});
    EXPECT_EQ(JobAssign(os, HostJobHandle(), child.Id()), 31u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(child.Running());
}

TEST(JobOsPosixTest, IdsThatNameNoProcessAreNeverOpened) {
    // 0 and IDs beyond pid_t would mean process groups to the system.
    for (uint32_t id : kNoProcessIds) {
        EXPECT_EQ(JobAssign(SystemJobOs(), HostJobHandle(), id) & ~uint32_t{limitsSet}, uint32_t{jobOpened})
            << id;
    }
    EXPECT_EQ(JobAssign(SystemJobOs(), HostJobHandle(), EndedProcessId()), uint32_t{jobOpened});
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
