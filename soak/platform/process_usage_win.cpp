#include <windows.h>
#include <psapi.h>

#include "process_usage.hpp"

namespace soak {

ProcessUsage MeasureProcess() {
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof memory);
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    return ProcessUsage{memory.WorkingSetSize, handles, memory.PrivateUsage};
}

}  // namespace soak
