// What the soak watches of its own process: resident memory, open descriptors
// (handles on Windows) and heap bytes in use. One platform file per system.
#pragma once

#include <cstdint>

namespace soak {

struct ProcessUsage {
    uint64_t residentBytes;  // resident set (Linux) or working set (Windows)
    uint64_t openHandles;    // open file descriptors (Linux) or handles (Windows)
    uint64_t heapBytes;      // allocated heap bytes, or private bytes where that is all there is
};

// Called first thing: makes resident memory a measure of what the process holds
// rather than of how its allocator spreads free pages over threads.
void SteadyAllocator();

ProcessUsage MeasureProcess();

}  // namespace soak
