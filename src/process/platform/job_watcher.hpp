// A watcher process that ends the processes a host binds when the host ends, in
// whatever way it ends. The host talks to it over a socket whose other end only
// the watcher holds; processes are handed over as process file descriptors, so
// the watcher can only ever signal the very processes it was given (and their
// descendants), never a later process that happens to get the same ID.
//
// Every exchange with the watcher is bounded: a watcher that does not answer in
// time (stopped, or starved) makes the request fail, never hang the host.
#pragma once

#include <sys/types.h>

#include <cstdint>

namespace orvane::process {

// A process file descriptor for the process, or -1 with errno set (ENOSYS when
// the kernel has none).
int OpenProcessFd(pid_t pid) noexcept;
// Whether the process behind the descriptor still runs and may be signalled.
bool ProcessFdSignallable(int processFd) noexcept;
// Whether the process behind the descriptor has ended.
bool ProcessFdEnded(int processFd) noexcept;
// The ID of the process behind the descriptor, or -1.
pid_t ProcessFdPid(int processFd) noexcept;

// How the watcher ends the descendants of the processes it holds.
enum class TreeEnding {
    // In a control group of the watcher's where this host may create one, else
    // as procScan does.
    groupWhereAllowed,
    // Stop each process, collect its descendants from /proc, kill them all.
    procScan,
};

struct WatcherLink {
    int socket = -1;  // the host's end; -1 when no watcher could be started
    pid_t watcher = 0;
    uint8_t sequence = 0;  // of the latest request
};

// Starts a watcher for this process. It runs until this process ends or closes
// the link; it is not this process's child, so it never needs reaping here.
WatcherLink StartJobWatcher(TreeEnding ending) noexcept;
// Whether the watcher still holds its end of the link.
bool WatcherRuns(const WatcherLink& link) noexcept;
// Tells the watcher whether to end its processes when the host ends; true when
// the watcher confirmed in time.
bool SendKillOnClose(WatcherLink& link, bool killOnClose) noexcept;
// Hands the watcher a copy of the process descriptor; true when the watcher
// confirmed in time that it holds it.
bool SendProcess(WatcherLink& link, int processFd, pid_t pid) noexcept;

}  // namespace orvane::process
