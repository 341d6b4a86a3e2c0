// Without job objects the binding only tells whether the process exists: 2 for
// an existing process, 0 otherwise, and the process is left alone.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "OrvaneLib.h"
#include "dynamic_library.hpp"
#include "process/job_binding.hpp"

extern char** environ;

namespace orvane::process {
namespace {

// A child that sleeps until it is ended; ended and reaped on destruction.
class SleepingChild {
public:
    SleepingChild() {
        char program[] = "sleep";
        char seconds[] = "60";
        char* arguments[] = {program, seconds, nullptr};
        if (::posix_spawnp(&pid_, "sleep", nullptr, nullptr, arguments, environ) != 0) pid_ = 0;
    }
    ~SleepingChild() { End(); }
    SleepingChild(const SleepingChild&) = delete;
    SleepingChild& operator=(const SleepingChild&) = delete;

    uint32_t Id() const { return static_cast<uint32_t>(pid_); }
    bool Running() const {
        int status = 0;
        return pid_ != 0 && ::waitpid(pid_, &status, WNOHANG) == 0;
    }
    void End() {
        if (pid_ == 0) return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = 0;
    }

private:
    pid_t pid_ = 0;
};

// The ID of a process that has ended and been reaped.
uint32_t EndedProcessId() {
    SleepingChild child;
    const uint32_t id = child.Id();
    child.End();
    return id;
}

const uint32_t kNoProcessIds[] = {0u, 0x80000000u, 0xFFFFFFFFu};

TEST(JobOsPosixTest, ExistingProcessIsOpenedButNeverPutIntoAJob) {
    SleepingChild child;
    ASSERT_NE(child.Id(), 0u);
    const JobOs& os = SystemJobOs();
    EXPECT_NE(os.openProcess(child.Id()), kNoHandle);
    EXPECT_EQ(os.createJob(), kNoHandle);
    EXPECT_EQ(JobAssign(os, child.Id()), uint32_t{processOpened});
    EXPECT_EQ(JobAssign(os, static_cast<uint32_t>(::getpid())), uint32_t{processOpened});
    EXPECT_TRUE(child.Running());
}

TEST(JobOsPosixTest, IdsThatNameNoProcessGiveZero) {
    // 0 and IDs beyond pid_t would mean process groups to the system.
    for (uint32_t id : kNoProcessIds) EXPECT_EQ(JobAssign(SystemJobOs(), id), 0u) << id;
    EXPECT_EQ(JobAssign(SystemJobOs(), EndedProcessId()), 0u);
}

TEST(JobOsPosixTest, ExportedFunctionReportsTheSame) {
    hostloader::DynamicLibrary library;
    std::string error;
    ASSERT_TRUE(library.Open(hostloader::LibraryFileName(), error)) << error;
    const auto jobAssign = library.Export<JobAssignFn>("JobAssign", 1);
    ASSERT_NE(jobAssign, nullptr);

    SleepingChild child;
    EXPECT_EQ(jobAssign(child.Id()), uint32_t{ORVANE_JOB_PROCESS_OPENED});
    EXPECT_TRUE(child.Running());
    for (uint32_t id : kNoProcessIds) EXPECT_EQ(jobAssign(id), 0u) << id;
    EXPECT_EQ(jobAssign(EndedProcessId()), 0u);
}

}  // namespace
}  // namespace orvane::process
