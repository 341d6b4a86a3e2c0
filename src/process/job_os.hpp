// The seam between the job binding logic and the operating system: the
// operations it needs, as a table of functions. The platform layer supplies the
// real table; tests hand the logic a table of their own with scripted outcomes.
// The logic closes each handle it no longer needs through closeHandle, except
// the one job handle it keeps for the life of the host process.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::process {

// An operating-system handle, opaque to the logic. kNoHandle means none.
using OsHandle = std::uintptr_t;
inline constexpr OsHandle kNoHandle = 0;

// The extended limit record handed to the job: all zero except the limit
// flags, which carry kKillOnJobClose. Laid out as the 32-bit platform record.
struct JobLimitBlock {
    uint8_t timeLimits[16];  // per-process and per-job user-time limits
    uint32_t limitFlags;
    uint8_t remainder[92];  // the other basic limits, I/O counters, memory limits
};
static_assert(sizeof(JobLimitBlock) == 112);
static_assert(offsetof(JobLimitBlock, limitFlags) == 16);

// End every process in the job when the last handle to the job is closed.
inline constexpr uint32_t kKillOnJobClose = 0x2000;

// The block that asks for kill-on-job-close and nothing else.
constexpr JobLimitBlock KillOnCloseLimitBlock() noexcept {
    JobLimitBlock block{};
    block.limitFlags = kKillOnJobClose;
    return block;
}

// What creating (or opening) the job gave.
struct JobHandle {
    OsHandle handle = kNoHandle;  // kNoHandle on failure
    bool existed = false;         // the job existed before this call
};

struct JobOs {
    // Opens the process with full access; kNoHandle when that fails.
    OsHandle (*openProcess)(uint32_t processId);
    // Creates the job "OrvaneJob", or opens it when it exists.
    JobHandle (*createJob)();
    // Whether the process belongs to any job; false when that cannot be told.
    bool (*isProcessInJob)(OsHandle process);
    // Gives the job the limit block; true on success.
    bool (*setLimits)(OsHandle job, const JobLimitBlock& block);
    // Puts the process into the job; true on success.
    bool (*assignProcessToJob)(OsHandle job, OsHandle process);
    // Closes a handle openProcess or createJob gave.
    void (*closeHandle)(OsHandle handle);
};

// The operating system's operations on this platform.
const JobOs& SystemJobOs() noexcept;

}  // namespace orvane::process
