// A watcher process that ends the processes a host binds when the host ends, in
// whatever way it ends. The host talks to it over a socket whose other end only
// the watcher holds; processes are handed over as process file descriptors, so
// the watcher can only ever signal the very processes it was given, never a
// later process that happens to get the same ID.
#pragma once

#include <sys/types.h>

namespace orvane::process {

// A process file descriptor for the process, or -1 with errno set (ENOSYS when
// the kernel has none).
int OpenProcessFd(pid_t pid) noexcept;
// Whether the process behind the descriptor still runs and may be signalled.
bool ProcessFdSignallable(int processFd) noexcept;
// Whether the process behind the descriptor has ended.
bool ProcessFdEnded(int processFd) noexcept;

struct WatcherLink {
    int socket = -1;  // the host's end; -1 when no watcher could be started
    pid_t watcher = 0;
};

// Starts a watcher for this process. It runs until this process ends or closes
// the link; it is not this process's child, so it never needs reaping here.
WatcherLink StartJobWatcher() noexcept;
// Whether the watcher still holds its end of the link.
bool WatcherRuns(const WatcherLink& link) noexcept;
// Tells the watcher whether to end its processes when the host ends; true when
// the watcher confirmed.
bool SendKillOnClose(const WatcherLink& link, bool killOnClose) noexcept;
// Hands the watcher a copy of the process descriptor; true when the watcher
// confirmed that it holds it.
bool SendProcess(const WatcherLink& link, int processFd) noexcept;

}  // namespace orvane::process
