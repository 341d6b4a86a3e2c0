// What the host and its watcher process say to each other, and what the host
// hands the watcher when it clones it. Private to the watcher's two sides.
#pragma once

#include <sys/types.h>

#include <cstdint>

namespace orvane::process {

enum MessageKind : uint8_t {
    kReady = 'R',   // watcher to host once it watches; value: the watcher's process ID
    kLimits = 'L',  // host to watcher; value: 1 to end the processes with the host
    kBind = 'B',    // host to watcher, carrying one process descriptor; value: its process ID
    kAnswer = 'A',  // watcher to host; value: 1 done, 0 refused
};

// Every request carries a sequence number that its answer repeats, so that an
// answer arriving after the host stopped waiting for it is never taken for the
// answer to a later request.
struct Message {
    uint8_t kind;
    uint8_t sequence;
    uint8_t reserved[2];
    uint32_t value;
};
static_assert(sizeof(Message) == 8);

// Live bound processes one watcher holds at most.
inline constexpr int kWatcherCapacity = 4096;

// Longest path of the watcher's control group folder, terminator included.
inline constexpr int kGroupPathCapacity = 512;

struct WatcherSetup {
    int link;                            // the watcher's end of the link
    int hostLink;                        // the host's end, which the watcher closes at once
    int hostFd;                          // the host's process descriptor
    int groupFd;                         // the control group folder for bound processes, or -1
    char groupPath[kGroupPathCapacity];  // its path, to remove it at the end
};

// Clones the watcher (twice, so that it is nobody's child in the host). Returns
// the middle process's ID, or -1, in the host; never returns in the clones.
long CloneWatcher(const WatcherSetup& setup);

}  // namespace orvane::process
