#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "process/job_binding.hpp"
#include "process/scripted_job_os.hpp"

namespace orvane::process {
namespace {

using testsupport::CurrentJobOsScript;
using testsupport::JobOsScript;
using testsupport::ScriptedJobOs;
using Calls = std::vector<std::string>;

JobOsScript& FreshScript() {
    CurrentJobOsScript() = JobOsScript{};
    return CurrentJobOsScript();
}

// A host's calls share one kept job handle; each test is a fresh host.
uint32_t Assign(KeptJobHandle& kept, uint32_t processId) {
    return JobAssign(ScriptedJobOs(), kept, processId);
}
uint32_t AssignInFreshHost(uint32_t processId) {
    KeptJobHandle kept;
    return Assign(kept, processId);
}

// One case of the binding: the outcomes of the operations, the result, and the
// complete list of operations the logic must ask for, in order.
struct Case {
    const char* name;
    bool process, job, existed, inJob, limitsSucceed, assignSucceeds;
    uint32_t result;
    Calls calls;
};

// The process handle is closed once used; the first job handle is kept.
const Calls kEarly{"open", "create"};
const Calls kEarlyProcess{"open", "create", "close"};
const Calls kAll{"open", "create", "limits", "inJob", "assign", "close"};
const Calls kNoLimits{"open", "create", "inJob", "assign", "close"};
const Calls kNeither{"open", "create", "inJob", "close"};
const Calls kNoProcessNewJob{"open", "create", "limits"};
const Calls kNoProcessExistingJob{"open", "create"};

// The call that creates the job always gives it the limit; only an existing job
// is left as it is.
const Case kCases[] = {
    {"neither handle", false, false, false, false, true, true, 0, kEarly},
    {"process handle only", true, false, false, false, true, true, 2, kEarlyProcess},
    {"job handle only, new job, limit applied", false, true, false, false, true, true, 36, kNoProcessNewJob},
    {"job handle only, new job, limit failed", false, true, false, false, false, true, 4, kNoProcessNewJob},
    {"job handle only, existing job", false, true, true, false, true, true, 4, kNoProcessExistingJob},
    {"new job, limit and assignment", true, true, false, false, true, true, 103, kAll},
    {"new job, assignment failed", true, true, false, false, true, false, 38, kAll},
    {"new job, limit failed", true, true, false, false, false, true, 71, kAll},
    {"new job, both failed", true, true, false, false, false, false, 6, kAll},
    {"existing job, assigned", true, true, true, false, true, true, 79, kNoLimits},
    {"existing job, assignment failed", true, true, true, false, true, false, 14, kNoLimits},
    {"new job, process in a job, limit applied, assigned", true, true, false, true, true, true, 119, kAll},
    {"new job, process in a job, limit applied, assignment failed", true, true, false, true, true, false, 55,
     kAll},
    {"new job, process in a job, limit failed, assigned", true, true, false, true, false, true, 87, kAll},
    {"new job, process in a job, both failed", true, true, false, true, false, false, 23, kAll},
    {"existing job, process in a job", true, true, true, true, true, true, 31, kNeither},
    {"existing job, process in a job, nothing would succeed", true, true, true, true, false, false, 31,
     kNeither},
};

// The recorded calls are all the logic ever does with the handles.
static_assert(sizeof(JobOs) == 6 * sizeof(void (*)()), "the seam has exactly the six operations");

TEST(JobBindingTest, EveryCaseGivesItsResultWithExactlyItsOperations) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        JobOsScript& script = FreshScript();
        script.process = c.process ? 0x1111 : kNoHandle;
        script.job = c.job ? 0x2222 : kNoHandle;
        script.existed = c.existed;
        script.inJob = c.inJob;
        script.limitsSucceed = c.limitsSucceed;
        script.assignSucceeds = c.assignSucceeds;
        EXPECT_EQ(AssignInFreshHost(4242), c.result);
        EXPECT_EQ(script.calls, c.calls);
        EXPECT_EQ(script.openedProcessId, 4242u);
    }
}

TEST(JobBindingTest, InJobExactlyWhenWasInJobOrAssignedAndNoStrayBits) {
    for (unsigned outcomes = 0; outcomes < 64; ++outcomes) {
        JobOsScript& script = FreshScript();
        script.process = (outcomes & 1) != 0 ? 0x10 : kNoHandle;
        script.job = (outcomes & 2) != 0 ? 0x20 : kNoHandle;
        script.existed = (outcomes & 4) != 0;
        script.inJob = (outcomes & 8) != 0;
        script.limitsSucceed = (outcomes & 16) != 0;
        script.assignSucceeds = (outcomes & 32) != 0;
        const uint32_t result = AssignInFreshHost(7);
        SCOPED_TRACE(outcomes);
        EXPECT_EQ((result & inJob) != 0, (result & (wasInJob | assigned)) != 0);
        EXPECT_EQ(result & ~0x7Fu, 0u);
        if (script.job == kNoHandle) {
            EXPECT_EQ(result, script.process != kNoHandle ? 2u : 0u);
        }
        // The creating call reports the limit whatever it found out about the process.
        if (script.job != kNoHandle && !script.existed) {
            EXPECT_EQ((result & limitsSet) != 0, script.limitsSucceed);
        }
    }
}

TEST(JobBindingTest, LimitBlockAsksForKillOnJobCloseAndNothingElse) {
    FreshScript();
    ASSERT_EQ(AssignInFreshHost(1), 103u);
    ASSERT_EQ(CurrentJobOsScript().limitBlocks.size(), 1u);
    uint8_t bytes[112];
    static_assert(sizeof bytes == sizeof(JobLimitBlock));
    std::memcpy(bytes, &CurrentJobOsScript().limitBlocks[0], sizeof bytes);
    uint8_t expected[112] = {};
    expected[17] = 0x20;  // 0x2000 at offset 16, little-endian
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);
}

TEST(JobBindingTest, OperationsGetTheHandlesTheSystemGave) {
    JobOsScript& script = FreshScript();
    script.process = 0xAB;
    script.job = 0xCD;
    ASSERT_EQ(AssignInFreshHost(0xFFFFFFFFu), 103u);
    EXPECT_EQ(script.openedProcessId, 0xFFFFFFFFu);
    // limits(job), inJob(process), assign(job, process)
    EXPECT_EQ(script.handleArguments, (std::vector<OsHandle>{0xCD, 0xAB, 0xCD, 0xAB}));
}

TEST(JobBindingTest, RepeatedCallsFromOneHost) {
    // The host's first call creates the job; later calls open it again.
    JobOsScript& script = FreshScript();
    KeptJobHandle kept;
    EXPECT_EQ(Assign(kept, 10), 103u);
    script.existed = true;
    script.inJob = true;  // now in the job the first call created
    EXPECT_EQ(Assign(kept, 10), 31u);
    script.inJob = false;  // a second process, in no job
    EXPECT_EQ(Assign(kept, 11), 79u);
    EXPECT_EQ(script.limitBlocks.size(), 1u);  // only the creating call sets the limit
}

TEST(JobBindingTest, FailedFirstCallStillGivesTheJobItsLimit) {
    // The first call names no process; the next one finds the job existing and
    // relies on the limit the first call set.
    JobOsScript& script = FreshScript();
    KeptJobHandle kept;
    script.process = kNoHandle;
    EXPECT_EQ(Assign(kept, 0), 36u);
    script.process = 0x1111;
    script.existed = true;
    EXPECT_EQ(Assign(kept, 12), 79u);
    ASSERT_EQ(script.limitBlocks.size(), 1u);
    EXPECT_EQ(script.limitBlocks[0].limitFlags, kKillOnJobClose);
}

TEST(JobBindingTest, AHostKeepsOneJobHandleAndClosesEverythingElse) {
    // The first call's job handle stays open (closing it would end the bound
    // processes); later calls close their own job handle and every process handle.
    JobOsScript& script = FreshScript();
    KeptJobHandle kept;
    script.job = 0x2001;
    EXPECT_EQ(Assign(kept, 10), 103u);
    script.job = 0x2002;
    script.existed = true;
    EXPECT_EQ(Assign(kept, 11), 79u);
    EXPECT_EQ(script.closedHandles, (std::vector<OsHandle>{0x1111, 0x1111, 0x2002}));
}

TEST(JobBindingTest, TenThousandCallsLeaveOnlyTheKeptJobHandleOpen) {
    // Every combination of outcomes, over and over, as a host binding each child
    // it starts for months would see them.
    JobOsScript& script = FreshScript();
    script.countOnly = true;
    KeptJobHandle kept;
    for (uint32_t call = 0; call < 10000; ++call) {
        const unsigned outcomes = call % 64;
        script.process = (outcomes & 1) != 0 ? 0x10 : kNoHandle;
        script.job = (outcomes & 2) != 0 ? 0x20 : kNoHandle;
        script.existed = call > 2 || (outcomes & 4) != 0;
        script.inJob = (outcomes & 8) != 0;
        script.limitsSucceed = (outcomes & 16) != 0;
        script.assignSucceeds = (outcomes & 32) != 0;
        ASSERT_EQ(Assign(kept, call) & ~0x7Fu, 0u);
    }
    EXPECT_EQ(script.handlesOpened, 10000u);  // half the calls get each handle
    EXPECT_EQ(script.handlesOpened - script.handlesClosed, 1u);
}

}  // namespace
}  // namespace orvane::process
