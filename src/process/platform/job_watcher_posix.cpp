// The host's side of the watcher's link. Every system call here is made again
// when a signal interrupts it (core/platform/retry_eintr.hpp says why); the
// waits for the watcher then go on until their deadline.
#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/platform/retry_eintr.hpp"
#include "process/platform/job_group_posix.hpp"
#include "process/platform/job_watcher.hpp"
#include "process/platform/job_watcher_protocol.hpp"

namespace orvane::process {
namespace {

using orvane::platform::RetryOnEintr;
using Clock = std::chrono::steady_clock;

// How long the host waits for the watcher's answer to one request.
constexpr auto kExchangeLimit = std::chrono::seconds(2);

// Waits for `events` on the socket until the deadline; false when it passed or
// the socket failed.
bool WaitFor(int socket, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() < 0) return false;
        pollfd entry{socket, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()) + 1);
        // Interrupted, or woken a little early: the deadline decides.
        if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
        return ready > 0 && (entry.revents & events) != 0;
    }
}

// Receives one message before the deadline.
bool ReceiveMessage(int socket, Message& message, Clock::time_point deadline) {
    for (;;) {
        if (!WaitFor(socket, POLLIN, deadline)) return false;
        const ssize_t length = ::recv(socket, &message, sizeof message, MSG_DONTWAIT);
        if (length == static_cast<ssize_t>(sizeof message)) return true;
        if (length < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return false;
    }
}

bool SendMessage(int socket, Message& message, int fd, Clock::time_point deadline) {
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
        std::memcpy(CMSG_DATA(part0), &fd, sizeof fd);
    }
    for (;;) {
        const ssize_t sent = ::sendmsg(socket, &header, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent == static_cast<ssize_t>(sizeof message)) return true;
        if (sent >= 0 || (errno != EINTR && errno != EAGAIN)) return false;
        // A watcher that reads nothing fills the socket at last.
        if (errno == EAGAIN && !WaitFor(socket, POLLOUT, deadline)) return false;
    }
}

// One request and its answer, within the limit. Answers to earlier requests
// that came too late are skipped.
bool Exchange(WatcherLink& link, Message message, int fd) {
    if (link.socket < 0) return false;
    const Clock::time_point deadline = Clock::now() + kExchangeLimit;
    message.sequence = ++link.sequence;
    if (!SendMessage(link.socket, message, fd, deadline)) return false;
    Message answer{};
    while (ReceiveMessage(link.socket, answer, deadline)) {
        if (answer.kind == kAnswer && answer.sequence == message.sequence) return answer.value == 1;
    }
    return false;
}

}  // namespace

int OpenProcessFd(pid_t pid) noexcept { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

bool ProcessFdSignallable(int processFd) noexcept {
    return ::syscall(SYS_pidfd_send_signal, processFd, 0, nullptr, 0) == 0;
}

bool ProcessFdEnded(int processFd) noexcept {
    pollfd entry{processFd, POLLIN, 0};
    return RetryOnEintr(::poll, &entry, 1, 0) > 0;
}

pid_t ProcessFdPid(int processFd) noexcept {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fdinfo/%d", processFd);
    FILE* info = std::fopen(path, "re");
    if (info == nullptr) return -1;
    char line[128];
    pid_t pid = -1;
    while (std::fgets(line, sizeof line, info) != nullptr) {
        if (std::sscanf(line, "Pid: %d", &pid) == 1) break;
    }
    std::fclose(info);
    return pid;
}

WatcherLink StartJobWatcher(TreeEnding ending) noexcept {
    WatcherSetup setup{};
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return {};
    setup.link = ends[1];
    setup.hostLink = ends[0];
    setup.hostFd = OpenProcessFd(::getpid());
    setup.groupFd = ending == TreeEnding::groupWhereAllowed ? CreateJobGroup(setup.groupPath) : -1;
    const long middle = setup.hostFd < 0 ? -1 : CloneWatcher(setup);
    ::close(ends[1]);
    if (setup.hostFd >= 0) ::close(setup.hostFd);
    if (setup.groupFd >= 0) {
        ::close(setup.groupFd);
        // Without a watcher, nobody would remove it.
        if (middle <= 0) ::rmdir(setup.groupPath);
    }
    Message ready{};
    bool started = middle > 0;
    if (started) {
        int status = 0;
        // ECHILD when the host reaps children itself or ignores SIGCHLD: fine.
        RetryOnEintr(::waitpid, static_cast<pid_t>(middle), &status, 0);
        started = ReceiveMessage(ends[0], ready, Clock::now() + kExchangeLimit) && ready.kind == kReady;
    }
    if (!started) {
        ::close(ends[0]);
        return {};
    }
    return WatcherLink{ends[0], static_cast<pid_t>(ready.value), 0};
}

bool WatcherRuns(const WatcherLink& link) noexcept {
    if (link.socket < 0) return false;
    // Only a hang-up or an error says the watcher is gone.
    pollfd entry{link.socket, 0, 0};
    if (RetryOnEintr(::poll, &entry, 1, 0) < 0) return true;  // out of memory and the like: nothing learnt
    return (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
}

bool SendKillOnClose(WatcherLink& link, bool killOnClose) noexcept {
    return Exchange(link, Message{kLimits, 0, {0, 0}, killOnClose ? 1u : 0u}, -1);
}

bool SendProcess(WatcherLink& link, int processFd, pid_t pid) noexcept {
    return processFd >= 0 && pid > 0 &&
           Exchange(link, Message{kBind, 0, {0, 0}, static_cast<uint32_t>(pid)}, processFd);
}

}  // namespace orvane::process
