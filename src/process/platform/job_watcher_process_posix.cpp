// The watcher process: what runs in the clone.
//
// The watcher is cloned from a host that may run many threads (and sanitizer
// runtimes): from the clone on, it only makes raw system calls on memory of its
// own, never touching a lock, the allocator or a sanitizer's bookkeeping.
//
// It ends when the host ends, seen two ways: the host's end of the link closes
// (any exit, including SIGKILL, or an exec), or the host's process descriptor
// reports the end (also when a child the host forked without exec still holds
// the host's end of the link). Then, if the host asked for that, it ends every
// process it holds together with their descendants: it stops them (so nothing
// forks meanwhile) and collects their descendants from /proc, ends its control
// group through the group's kill switch (that reaches the descendants born
// after the binding even when they left the tree), and kills the rest.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>

#include "core/platform/retry_eintr.hpp"
#include "process/platform/job_watcher_protocol.hpp"

// Code that runs in the cloned processes: no sanitizer instrumentation, whose
// runtime state the clone copies in whatever state another thread left it.
#define ORVANE_CLONED_CODE __attribute__((no_sanitize("address", "thread", "undefined"), noinline))

namespace orvane::process {
namespace {

using orvane::platform::RetryOnEintr;

constexpr int kCapacity = kWatcherCapacity;
// Processes one tree ending can stop and kill at most.
constexpr int kTreeCapacity = 16384;
constexpr int kLinkSlot = 0;
constexpr int kHostSlot = 1;
constexpr int kFirstBoundSlot = 2;

struct RawLimit {
    uint64_t current;
    uint64_t maximum;
};

struct TreeMember {
    int pid;
    int fd;  // a process descriptor, so the signals reach exactly this process
};

// Only the watcher's own copy of this is ever used; the host never touches it.
struct WatcherState {
    pollfd watched[kCapacity + kFirstBoundSlot];  // the link, the host, then the bound processes
    int pids[kCapacity + kFirstBoundSlot];        // the bound processes' IDs
    int count;
    bool killOnClose;
    int groupFd;
    const char* groupPath;
    int self;
    TreeMember tree[kTreeCapacity];
    int treeCount;
    char entries[16384];  // directory entries of /proc
};
WatcherState watcherState;

ORVANE_CLONED_CODE long Raw(long number, long a = 0, long b = 0, long c = 0, long d = 0, long e = 0,
                            long f = 0) {
    return ::syscall(number, a, b, c, d, e, f);
}

// A call interrupted by a signal (a stop and continue can do that) is made again.
ORVANE_CLONED_CODE long Retried(long number, long a = 0, long b = 0, long c = 0, long d = 0) {
    return RetryOnEintr(Raw, number, a, b, c, d, 0L, 0L);
}

ORVANE_CLONED_CODE void SendRaw(int link, MessageKind kind, uint8_t sequence, uint32_t value) {
    Message message{kind, sequence, {0, 0}, value};
    // MSG_NOSIGNAL: a host that is gone must not end the watcher before it has
    // ended the bound processes.
    Retried(SYS_sendto, link, reinterpret_cast<long>(&message), sizeof message, MSG_NOSIGNAL);
}

ORVANE_CLONED_CODE void Sleep(long milliseconds) {
    timespec pause{0, milliseconds * 1000000};
    Raw(SYS_nanosleep, reinterpret_cast<long>(&pause), 0);
}

// Decimal digits of `value` into `text` (room for 11), terminated; returns the length.
ORVANE_CLONED_CODE int Decimal(uint32_t value, char* text) {
    char reversed[11];
    int length = 0;
    do {
        reversed[length++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = 0; i < length; ++i) text[i] = reversed[length - 1 - i];
    text[length] = '\0';
    return length;
}

ORVANE_CLONED_CODE bool WriteFileAt(int folder, const char* name, const char* text, int length) {
    const long fd = Retried(SYS_openat, folder, reinterpret_cast<long>(name), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = Retried(SYS_write, fd, reinterpret_cast<long>(text), length) == length;
    Raw(SYS_close, fd);
    return written;
}

ORVANE_CLONED_CODE uint64_t OpenFileLimit() {
    RawLimit limit{0, 0};
    if (Raw(SYS_prlimit64, 0, 3 /* RLIMIT_NOFILE */, 0, reinterpret_cast<long>(&limit)) != 0) return 1024;
    // Room for every bound process and a tree of descendants, as far as the
    // hard limit allows.
    const uint64_t wanted = kCapacity + kTreeCapacity + 16;
    if (limit.current < wanted && limit.maximum > limit.current) {
        RawLimit raised{limit.maximum < wanted ? limit.maximum : wanted, limit.maximum};
        Raw(SYS_prlimit64, 0, 3, reinterpret_cast<long>(&raised), 0);
    }
    return limit.current;
}

ORVANE_CLONED_CODE void CloseRange(unsigned first, unsigned last, uint64_t openLimit) {
    if (first > last) return;
    if (Raw(SYS_close_range, first, last, 0) == 0) return;
    // Kernels before close_range: one descriptor at a time.
    const uint64_t end = openLimit < 65536 ? openLimit : 65536;
    for (uint64_t fd = first; fd <= last && fd < end; ++fd) Raw(SYS_close, static_cast<long>(fd));
}

// The watcher keeps nothing of the host's but the descriptors it was given: no
// pipe, file or socket of the host stays open any longer because of it.
ORVANE_CLONED_CODE void CloseAllBut(int a, int b, int c, uint64_t openLimit) {
    int kept[3] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j) {
            if (kept[j] < kept[i]) {
                const int swapped = kept[i];
                kept[i] = kept[j];
                kept[j] = swapped;
            }
        }
    }
    unsigned next = 0;
    for (int fd : kept) {
        if (fd < 0) continue;
        if (static_cast<unsigned>(fd) > next) CloseRange(next, static_cast<unsigned>(fd) - 1, openLimit);
        next = static_cast<unsigned>(fd) + 1;
    }
    CloseRange(next, ~0u, openLimit);
}

// Moves the process into the control group, so that the children it has from
// now on are born there. The ID is checked against the descriptor first: a
// process cannot be reaped, and its ID reused, while it has not ended. (One that
// the group refuses is still ended through /proc.)
ORVANE_CLONED_CODE void MoveIntoGroup(int pid, int processFd) {
    WatcherState& state = watcherState;
    pollfd entry{processFd, POLLIN, 0};
    if (state.groupFd < 0 || pid <= 0 || Retried(SYS_poll, reinterpret_cast<long>(&entry), 1, 0) != 0) return;
    char text[12];
    const int length = Decimal(static_cast<uint32_t>(pid), text);
    WriteFileAt(state.groupFd, "cgroup.procs", text, length);
}

enum class Received { message, nothing, ended };

ORVANE_CLONED_CODE Received ReceiveRaw(int link, bool wait) {
    WatcherState& state = watcherState;
    Message message{0, 0, {0, 0}, 0};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(int))];
    iovec part{&message, sizeof message};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    const long length =
        Raw(SYS_recvmsg, link, reinterpret_cast<long>(&header), MSG_CMSG_CLOEXEC | (wait ? 0 : MSG_DONTWAIT));
    if (length < 0) return errno == EINTR || errno == EAGAIN ? Received::nothing : Received::ended;
    if (length == 0) return Received::ended;

    int fd = -1;
    const cmsghdr* part0 = CMSG_FIRSTHDR(&header);
    if (part0 != nullptr && part0->cmsg_level == SOL_SOCKET && part0->cmsg_type == SCM_RIGHTS &&
        part0->cmsg_len >= CMSG_LEN(sizeof(int))) {
        fd = *reinterpret_cast<const int*>(CMSG_DATA(part0));
    }
    const bool whole = length == sizeof message && (header.msg_flags & MSG_CTRUNC) == 0;
    if (whole && message.kind == kLimits) {
        state.killOnClose = message.value != 0;
        SendRaw(link, kAnswer, message.sequence, 1);
    } else if (whole && message.kind == kBind && fd >= 0 && state.count < kCapacity + kFirstBoundSlot) {
        const int pid = static_cast<int>(message.value);
        state.watched[state.count] = pollfd{fd, POLLIN, 0};
        state.pids[state.count] = pid;
        MoveIntoGroup(pid, fd);
        ++state.count;
        fd = -1;
        SendRaw(link, kAnswer, message.sequence, 1);
    } else {
        SendRaw(link, kAnswer, message.sequence, 0);
    }
    if (fd >= 0) Raw(SYS_close, fd);
    return Received::message;
}

// Bound processes that ended by themselves are dropped: their descriptors stay
// valid, but nothing is left to end. (Their descendants, if any, are no longer
// in the tree either.)
ORVANE_CLONED_CODE void DropEndedProcesses() {
    WatcherState& state = watcherState;
    for (int i = state.count - 1; i >= kFirstBoundSlot; --i) {
        if (state.watched[i].revents == 0) continue;
        Raw(SYS_close, state.watched[i].fd);
        const int last = state.count - 1;
        state.watched[i] = state.watched[last];
        state.pids[i] = state.pids[last];
        --state.count;
    }
}

// --- Ending a tree through /proc ---------------------------------------------

ORVANE_CLONED_CODE bool InTree(int pid) {
    const WatcherState& state = watcherState;
    for (int i = 0; i < state.treeCount; ++i) {
        if (state.tree[i].pid == pid) return true;
    }
    return false;
}

// The parent's ID from /proc/<pid>/stat, or -1.
ORVANE_CLONED_CODE int ParentOf(const char* pidText) {
    char path[32] = "/proc/";
    int at = 6;
    for (int i = 0; pidText[i] != '\0' && at < 24; ++i) path[at++] = pidText[i];
    const char tail[] = "/stat";
    for (char c : tail) path[at++] = c;
    const long fd = Retried(SYS_openat, AT_FDCWD, reinterpret_cast<long>(path), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    char text[256];
    const long length = Retried(SYS_read, fd, reinterpret_cast<long>(text), sizeof text);
    Raw(SYS_close, fd);
    // "pid (name) state ppid ...": the name may hold anything, so look from the last ')'.
    int close = -1;
    for (int i = 0; i < length; ++i) {
        if (text[i] == ')') close = i;
    }
    if (close < 0) return -1;
    int i = close + 1;
    while (i < length && text[i] == ' ') ++i;
    while (i < length && text[i] != ' ') ++i;  // the state letter
    while (i < length && text[i] == ' ') ++i;
    int parent = 0;
    bool digits = false;
    for (; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        parent = parent * 10 + (text[i] - '0');
        digits = true;
    }
    return digits ? parent : -1;
}

ORVANE_CLONED_CODE void AddStopped(int pid, int fd) {
    WatcherState& state = watcherState;
    Raw(SYS_pidfd_send_signal, fd, SIGSTOP, 0, 0);
    state.tree[state.treeCount++] = TreeMember{pid, fd};
}

// One pass over /proc: every process whose parent is in the tree joins it,
// stopped. Returns how many joined.
ORVANE_CLONED_CODE int CollectChildren() {
    WatcherState& state = watcherState;
    const long proc =
        Retried(SYS_openat, AT_FDCWD, reinterpret_cast<long>("/proc"), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0) return 0;
    int joined = 0;
    for (;;) {
        const long length =
            Retried(SYS_getdents64, proc, reinterpret_cast<long>(state.entries), sizeof state.entries);
        if (length <= 0) break;
        for (long at = 0; at < length;) {
            // linux_dirent64: inode (8), offset (8), record length (2), type (1), name.
            const char* entry = state.entries + at;
            const auto recordLength = *reinterpret_cast<const unsigned short*>(entry + 16);
            const char* name = entry + 19;
            at += recordLength;
            int pid = 0;
            bool number = name[0] != '\0';
            for (int i = 0; name[i] != '\0'; ++i) {
                if (name[i] < '0' || name[i] > '9')
                    number = false;
                else
                    pid = pid * 10 + (name[i] - '0');
            }
            if (!number || pid == state.self || InTree(pid) || state.treeCount >= kTreeCapacity) continue;
            const int parent = ParentOf(name);
            if (parent <= 0 || !InTree(parent)) continue;
            const long fd = Raw(SYS_pidfd_open, pid, 0);
            if (fd < 0) continue;
            // Still the child found above, not a later process with its ID.
            if (ParentOf(name) != parent) {
                Raw(SYS_close, fd);
                continue;
            }
            AddStopped(pid, static_cast<int>(fd));
            ++joined;
        }
    }
    Raw(SYS_close, proc);
    return joined;
}

ORVANE_CLONED_CODE void StopTrees() {
    WatcherState& state = watcherState;
    state.treeCount = 0;
    for (int i = kFirstBoundSlot; i < state.count; ++i) {
        if (state.pids[i] != state.self) AddStopped(state.pids[i], state.watched[i].fd);
    }
    if (state.treeCount == 0) return;
    // Stopped processes fork no more: once a pass finds nobody new, the tree is whole.
    for (int pass = 0; pass < 64 && CollectChildren() > 0; ++pass) {
    }
}

ORVANE_CLONED_CODE void KillTrees() {
    const WatcherState& state = watcherState;
    for (int i = 0; i < state.treeCount; ++i) Raw(SYS_pidfd_send_signal, state.tree[i].fd, SIGKILL, 0, 0);
}

ORVANE_CLONED_CODE void KillGroup() {
    const WatcherState& state = watcherState;
    if (state.groupFd >= 0) WriteFileAt(state.groupFd, "cgroup.kill", "1", 1);
}

ORVANE_CLONED_CODE void RemoveGroup() {
    WatcherState& state = watcherState;
    if (state.groupFd < 0) return;
    Raw(SYS_close, state.groupFd);
    // The folder can go once its processes are gone; a group whose processes the
    // host did not ask to end stays.
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (Raw(SYS_unlinkat, AT_FDCWD, reinterpret_cast<long>(state.groupPath), AT_REMOVEDIR) == 0) return;
        if (errno != EBUSY || !state.killOnClose) return;
        Sleep(10);
    }
}

[[noreturn]] ORVANE_CLONED_CODE void EndBoundProcessesAndExit(int link) {
    WatcherState& state = watcherState;
    // Bindings the host sent just before it ended count too.
    while (ReceiveRaw(link, false) == Received::message) {
    }
    if (state.killOnClose) {
        StopTrees();
        KillGroup();
        KillTrees();
    }
    RemoveGroup();
    Raw(SYS_exit_group, 0);
    __builtin_unreachable();
}

[[noreturn]] ORVANE_CLONED_CODE void RunWatcher(const WatcherSetup& setup) {
    WatcherState& state = watcherState;
    // Only the host holds the host's end.
    Raw(SYS_close, setup.hostLink);
    // Out of the host's session, so that signals meant for the terminal's
    // processes do not reach the watcher; and deaf to all catchable signals,
    // whose handlers are the host's.
    Raw(SYS_setsid);
    const uint64_t allSignals = ~uint64_t{0};
    Raw(SYS_rt_sigprocmask, SIG_SETMASK, reinterpret_cast<long>(&allSignals), 0, sizeof allSignals);
    CloseAllBut(setup.link, setup.hostFd, setup.groupFd, OpenFileLimit());

    state.watched[kLinkSlot] = pollfd{setup.link, POLLIN, 0};
    state.watched[kHostSlot] = pollfd{setup.hostFd, POLLIN, 0};
    state.count = kFirstBoundSlot;
    state.killOnClose = false;
    state.groupFd = setup.groupFd;
    state.groupPath = setup.groupPath;
    state.self = static_cast<int>(Raw(SYS_getpid));
    SendRaw(setup.link, kReady, 0, static_cast<uint32_t>(state.self));

    for (;;) {
        if (Raw(SYS_ppoll, reinterpret_cast<long>(state.watched), state.count, 0, 0, 0) < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == ENOMEM) continue;
            EndBoundProcessesAndExit(setup.link);
        }
        bool hostEnded = state.watched[kHostSlot].revents != 0;
        const short linkEvents = state.watched[kLinkSlot].revents;
        DropEndedProcesses();
        if ((linkEvents & POLLIN) != 0) {
            if (ReceiveRaw(setup.link, true) == Received::ended) hostEnded = true;
        } else if (linkEvents != 0) {
            hostEnded = true;
        }
        if (hostEnded) EndBoundProcessesAndExit(setup.link);
    }
}

}  // namespace

ORVANE_CLONED_CODE long CloneWatcher(const WatcherSetup& setup) {
    const long middle = Raw(SYS_clone, SIGCHLD, 0, 0, 0, 0);
    if (middle != 0) return middle;
    if (Raw(SYS_clone, SIGCHLD, 0, 0, 0, 0) == 0) RunWatcher(setup);
    Raw(SYS_exit_group, 0);
    __builtin_unreachable();
}

}  // namespace orvane::process
