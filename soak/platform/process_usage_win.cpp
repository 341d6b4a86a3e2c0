// windows.h first: psapi.h needs its types.
#include <windows.h>

#include <psapi.h>

#include "process_usage.hpp"

namespace soak {

// Every thread allocates from the one process heap already.
void SteadyAllocator() {}

ProcessUsage MeasureProcess() {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    // Some Windows emulations leave the private bytes at 0; the commit charge is
    // the nearest figure then.
    const uint64_t privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
    return ProcessUsage{memory.WorkingSetSize, handles, privateBytes};
}

}  // namespace soak
