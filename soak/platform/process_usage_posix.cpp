#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>

#include "process_usage.hpp"

// Under a sanitizer, its allocator owns the heap and reports what is in use.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace soak {
namespace {

uint64_t ResidentBytes() {
    unsigned long long pages = 0;
    unsigned long long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%llu %llu", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

uint64_t OpenDescriptors() {
    DIR* folder = opendir("/proc/self/fd");
    if (folder == nullptr) return 0;
    uint64_t count = 0;
    while (const dirent* entry = readdir(folder)) {
        if (entry->d_name[0] != '.') ++count;
    }
    closedir(folder);
    return count - 1;  // the descriptor of the listing itself
}

uint64_t HeapBytes() {
    if (__sanitizer_get_current_allocated_bytes != nullptr) return __sanitizer_get_current_allocated_bytes();
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

}  // namespace

void SteadyAllocator() {
    // The C library gives busy threads arenas of their own, and memory freed by
    // another thread (the stand-in's journal, emptied by one host thread, holds
    // every SDK call of all 16) stays in its arena, partly used pages that no
    // trim returns: resident memory then grew by 15 to 25 MB over a run while the
    // heap in use stayed flat. One arena for the whole process keeps resident
    // memory a measure of what is held. (Sanitizer allocators ignore this.)
    mallopt(M_ARENA_MAX, 1);
}

ProcessUsage MeasureProcess() {
    // Free pages handed back first, so that only what is held counts.
    if (__sanitizer_get_current_allocated_bytes == nullptr) malloc_trim(0);
    return ProcessUsage{ResidentBytes(), OpenDescriptors(), HeapBytes()};
}

}  // namespace soak
