// A JobOs whose outcomes a test scripts, and which records every operation the
// binding logic asks for, with its arguments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "process/job_os.hpp"

namespace testsupport {

struct JobOsScript {
    // What each operation answers.
    orvane::process::OsHandle process = 0x1111;
    orvane::process::OsHandle job = 0x2222;
    bool existed = false;
    bool inJob = false;
    bool limitsSucceed = true;
    bool assignSucceeds = true;

    // What was asked, in order: "open", "create", "inJob", "limits", "assign",
    // "close" (closes are not listed when countOnly is set).
    std::vector<std::string> calls;
    bool countOnly = false;      // only count opens and closes, for long runs
    uint64_t handlesOpened = 0;  // handles openProcess and createJob gave
    uint64_t handlesClosed = 0;
    std::vector<orvane::process::OsHandle> closedHandles;  // unless countOnly
    uint32_t openedProcessId = 0;
    std::vector<orvane::process::OsHandle> handleArguments;  // in call order
    std::vector<orvane::process::JobLimitBlock> limitBlocks;
};

// The script the table below answers from; reset it before each use.
JobOsScript& CurrentJobOsScript();
// A JobOs that answers from CurrentJobOsScript().
const orvane::process::JobOs& ScriptedJobOs();

}  // namespace testsupport
