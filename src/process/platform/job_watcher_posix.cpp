// The watcher process and the host's side of its link.
//
// The watcher is cloned from a host that may run many threads (and sanitizer
// runtimes): from the clone on, it only makes raw system calls on memory of its
// own, never touching a lock, the allocator or a sanitizer's bookkeeping. It is
// cloned twice, so that it is nobody's child in the host: the host's waits for
// its own children never see it.
//
// The watcher ends when the host ends, seen two ways: the host's end of the link
// closes (any exit, including SIGKILL, or an exec), or the host's process
// descriptor reports the end (also when a child the host forked without exec
// still holds the host's end of the link). Before it exits it sends SIGKILL to
// every process descriptor it holds, if the host asked for that.
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>

#include "process/platform/job_watcher.hpp"

// Code that runs in the cloned processes: no sanitizer instrumentation, whose
// runtime state the clone copies in whatever state another thread left it.
#define ORVANE_CLONED_CODE __attribute__((no_sanitize("address", "thread", "undefined"), noinline))

namespace orvane::process {
namespace {

// Live bound processes one watcher holds at most.
constexpr int kCapacity = 4096;

enum MessageKind : uint8_t {
    kReady = 'R',   // watcher to host once it watches; value: the watcher's process ID
    kLimits = 'L',  // host to watcher; value: 1 to end the processes with the host
    kBind = 'B',    // host to watcher, carrying one process descriptor
    kAnswer = 'A',  // watcher to host; value: 1 done, 0 refused
};

struct Message {
    uint8_t kind;
    uint8_t reserved[3];
    uint32_t value;
};
static_assert(sizeof(Message) == 8);

struct RawLimit {
    uint64_t current;
    uint64_t maximum;
};

// Only the watcher's own copy of this is ever used; the host never touches it.
struct WatcherState {
    pollfd watched[kCapacity + 2];  // the link, the host, then the bound processes
    int count;
    bool killOnClose;
};
WatcherState watcherState;

constexpr int kLinkSlot = 0;
constexpr int kHostSlot = 1;

ORVANE_CLONED_CODE long Raw(long number, long a = 0, long b = 0, long c = 0, long d = 0, long e = 0,
                            long f = 0) {
    return ::syscall(number, a, b, c, d, e, f);
}

ORVANE_CLONED_CODE void SendRaw(int link, MessageKind kind, uint32_t value) {
    Message message{kind, {0, 0, 0}, value};
    // MSG_NOSIGNAL: a host that is gone must not end the watcher before it has
    // ended the bound processes.
    Raw(SYS_sendto, link, reinterpret_cast<long>(&message), sizeof message, MSG_NOSIGNAL, 0, 0);
}

ORVANE_CLONED_CODE uint64_t OpenFileLimit() {
    RawLimit limit{0, 0};
    if (Raw(SYS_prlimit64, 0, 3 /* RLIMIT_NOFILE */, 0, reinterpret_cast<long>(&limit)) != 0) return 1024;
    // Room for every bound process, as far as the hard limit allows.
    if (limit.current < kCapacity + 16 && limit.maximum > limit.current) {
        RawLimit raised{limit.maximum < kCapacity + 16 ? limit.maximum : kCapacity + 16, limit.maximum};
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

// The watcher keeps nothing of the host's but its two descriptors: no pipe, file
// or socket of the host stays open any longer because of it.
ORVANE_CLONED_CODE void CloseAllBut(int a, int b, uint64_t openLimit) {
    const unsigned low = static_cast<unsigned>(a < b ? a : b);
    const unsigned high = static_cast<unsigned>(a < b ? b : a);
    if (low > 0) CloseRange(0, low - 1, openLimit);
    if (high > low + 1) CloseRange(low + 1, high - 1, openLimit);
    CloseRange(high + 1, ~0u, openLimit);
}

enum class Received { message, nothing, ended };

ORVANE_CLONED_CODE Received ReceiveRaw(int link, bool wait) {
    WatcherState& state = watcherState;
    Message message{0, {0, 0, 0}, 0};
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
        SendRaw(link, kAnswer, 1);
    } else if (whole && message.kind == kBind && fd >= 0 && state.count < kCapacity + 2) {
        state.watched[state.count] = pollfd{fd, POLLIN, 0};
        ++state.count;
        fd = -1;
        SendRaw(link, kAnswer, 1);
    } else {
        SendRaw(link, kAnswer, 0);
    }
    if (fd >= 0) Raw(SYS_close, fd);
    return Received::message;
}

// Bound processes that ended by themselves are dropped: their descriptors stay
// valid, but nothing is left to end.
ORVANE_CLONED_CODE void DropEndedProcesses() {
    WatcherState& state = watcherState;
    for (int i = state.count - 1; i > kHostSlot; --i) {
        if (state.watched[i].revents == 0) continue;
        Raw(SYS_close, state.watched[i].fd);
        state.watched[i] = state.watched[state.count - 1];
        --state.count;
    }
}

[[noreturn]] ORVANE_CLONED_CODE void EndBoundProcessesAndExit(int link) {
    WatcherState& state = watcherState;
    // Bindings the host sent just before it ended count too.
    while (ReceiveRaw(link, false) == Received::message) {
    }
    if (state.killOnClose) {
        for (int i = kHostSlot + 1; i < state.count; ++i) {
            Raw(SYS_pidfd_send_signal, state.watched[i].fd, SIGKILL, 0, 0);
        }
    }
    Raw(SYS_exit_group, 0);
    __builtin_unreachable();
}

[[noreturn]] ORVANE_CLONED_CODE void RunWatcher(int link, int hostFd, int hostLink) {
    WatcherState& state = watcherState;
    // Only the host holds the host's end.
    Raw(SYS_close, hostLink);
    // Out of the host's session, so that signals meant for the terminal's
    // processes do not reach the watcher; and deaf to all catchable signals,
    // whose handlers are the host's.
    Raw(SYS_setsid);
    const uint64_t allSignals = ~uint64_t{0};
    Raw(SYS_rt_sigprocmask, SIG_SETMASK, reinterpret_cast<long>(&allSignals), 0, sizeof allSignals);
    CloseAllBut(link, hostFd, OpenFileLimit());

    state.watched[kLinkSlot] = pollfd{link, POLLIN, 0};
    state.watched[kHostSlot] = pollfd{hostFd, POLLIN, 0};
    state.count = 2;
    state.killOnClose = false;
    SendRaw(link, kReady, static_cast<uint32_t>(Raw(SYS_getpid)));

    for (;;) {
        if (Raw(SYS_ppoll, reinterpret_cast<long>(state.watched), state.count, 0, 0, 0) < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == ENOMEM) continue;
            EndBoundProcessesAndExit(link);
        }
        bool hostEnded = state.watched[kHostSlot].revents != 0;
        const short linkEvents = state.watched[kLinkSlot].revents;
        DropEndedProcesses();
        if ((linkEvents & POLLIN) != 0) {
            if (ReceiveRaw(link, true) == Received::ended) hostEnded = true;
        } else if (linkEvents != 0) {
            hostEnded = true;
        }
        if (hostEnded) EndBoundProcessesAndExit(link);
    }
}

// Returns the middle process's ID (or -1) in the host; never returns in the clones.
ORVANE_CLONED_CODE long CloneWatcher(int link, int hostFd, int hostLink) {
    const long middle = Raw(SYS_clone, SIGCHLD, 0, 0, 0, 0);
    if (middle != 0) return middle;
    if (Raw(SYS_clone, SIGCHLD, 0, 0, 0, 0) == 0) RunWatcher(link, hostFd, hostLink);
    Raw(SYS_exit_group, 0);
    __builtin_unreachable();
}

bool ReceiveMessage(int socket, Message& message) {
    for (;;) {
        const ssize_t length = ::recv(socket, &message, sizeof message, 0);
        if (length == static_cast<ssize_t>(sizeof message)) return true;
        if (length < 0 && errno == EINTR) continue;
        return false;
    }
}

bool Exchange(const WatcherLink& link, Message message, int fd) {
    if (link.socket < 0) return false;
    iovec part{&message, sizeof message};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(int))] = {};
    if (fd >= 0) {
        header.msg_control = control;
        header.msg_controllen = sizeof control;
        cmsghdr* part0 = CMSG_FIRSTHDR(&header);
        part0->cmsg_level = SOL_SOCKET;
        part0->cmsg_type = SCM_RIGHTS;
        part0->cmsg_len = CMSG_LEN(sizeof(int));
        *reinterpret_cast<int*>(CMSG_DATA(part0)) = fd;
    }
    ssize_t sent = 0;
    do {
        sent = ::sendmsg(link.socket, &header, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    Message answer{};
    return sent == static_cast<ssize_t>(sizeof message) && ReceiveMessage(link.socket, answer) &&
           answer.kind == kAnswer && answer.value == 1;
}

}  // namespace

int OpenProcessFd(pid_t pid) noexcept { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

bool ProcessFdSignallable(int processFd) noexcept {
    return ::syscall(SYS_pidfd_send_signal, processFd, 0, nullptr, 0) == 0;
}

bool ProcessFdEnded(int processFd) noexcept {
    pollfd entry{processFd, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0;
}

WatcherLink StartJobWatcher() noexcept {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return {};
    const int host = OpenProcessFd(::getpid());
    const long middle = host < 0 ? -1 : CloneWatcher(ends[1], host, ends[0]);
    ::close(ends[1]);
    if (host >= 0) ::close(host);
    Message ready{};
    bool started = middle > 0;
    if (started) {
        int status = 0;
        // ECHILD when the host reaps children itself or ignores SIGCHLD: fine.
        while (::waitpid(static_cast<pid_t>(middle), &status, 0) < 0 && errno == EINTR) {
        }
        started = ReceiveMessage(ends[0], ready) && ready.kind == kReady;
    }
    if (!started) {
        ::close(ends[0]);
        return {};
    }
    return WatcherLink{ends[0], static_cast<pid_t>(ready.value)};
}

bool WatcherRuns(const WatcherLink& link) noexcept {
    if (link.socket < 0) return false;
    pollfd entry{link.socket, 0, 0};
    return ::poll(&entry, 1, 0) == 0;
}

bool SendKillOnClose(const WatcherLink& link, bool killOnClose) noexcept {
    return Exchange(link, Message{kLimits, {0, 0, 0}, killOnClose ? 1u : 0u}, -1);
}

bool SendProcess(const WatcherLink& link, int processFd) noexcept {
    return processFd >= 0 && Exchange(link, Message{kBind, {0, 0, 0}, 0}, processFd);
}

}  // namespace orvane::process
