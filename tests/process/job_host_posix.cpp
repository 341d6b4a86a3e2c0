// A host for the Linux binding scenarios: loads the library, then reads
// commands from its input, one a line, answering each on a line of its own:
//   <pid>           JobAssign's result for the process
//   fork <n> <pid>  forks n children (without exec) while another thread keeps
//                   calling JobAssign; each of the first n-1 binds no process and
//                   exits, the last binds <pid> and stays. Answers "<all of the
//                   first n-1 started a job of their own: 1 or 0> <the last one's
//                   result> <its process ID>".
//   hold            forks a child past the fork handlers (a raw clone), which so
//                   keeps every descriptor of the host, the watcher's link
//                   included, and sleeps. Answers its process ID.
//   idle            forks a child (through fork(), so the fork handlers run) that
//                   calls nothing and sleeps. Answers its process ID.
//   pipe <pid>      makes two pipes, the writing end of one at the lowest free
//                   number (below the watcher's own descriptors) and of the
//                   other at 900 (above them), then binds <pid> (the first call,
//                   which starts the watcher, sees the pipes open), closes both
//                   writing ends and waits up to 5 s for each reading end to see
//                   the end. Answers "<JobAssign's result> <1 if the low pipe's
//                   end was seen, else 0> <the same for the high one>".
//   timer <us>      starts an interval timer whose signal (SIGALRM, with the same
//                   kind of handler as SIGUSR1) comes every <us> microseconds.
//                   Answers 0.
// It exits normally at the end of its input, unless the test ends it first.
// SIGUSR1 has a handler that interrupts system calls, as a host's timer or
// child handlers do; the tests flood the host with it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "OrvaneLib.h"
#include "dynamic_library.hpp"

namespace {

JobAssignFn jobAssign = nullptr;

void Ignore(int) {}

void ForkAndBind(unsigned children, uint32_t processId) {
    std::atomic<bool> busy{true};
    // Holds the binding's lock now and then while the forks happen.
    std::thread other([&] {
        while (busy.load()) jobAssign(0);
    });
    bool allOwn = true;
    uint32_t lastResult = ~0u;
    pid_t last = 0;
    for (unsigned i = 0; i < children; ++i) {
        int answer[2];
        if (::pipe(answer) != 0) break;
        const bool isLast = i + 1 == children;
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(20);  // a deadlocked child ends, and the answer is missing
            const uint32_t result = jobAssign(isLast ? processId : 0);
            if (::write(answer[1], &result, sizeof result) != sizeof result) ::_exit(1);
            if (!isLast) ::_exit(0);
            ::alarm(0);
            for (;;) ::pause();
        }
        ::close(answer[1]);
        uint32_t result = ~0u;
        if (::read(answer[0], &result, sizeof result) != sizeof result) result = ~0u;
        ::close(answer[0]);
        if (isLast) {
            lastResult = result;
            last = child;
        } else {
            // A first call that started a job of its own: job opened and armed, no existing job.
            allOwn = allOwn && result == (ORVANE_JOB_OPENED | ORVANE_JOB_LIMITS_SET);
            int status = 0;
            ::waitpid(child, &status, 0);
        }
    }
    busy.store(false);
    other.join();
    std::printf("%d %u %d\n", allOwn ? 1 : 0, lastResult, static_cast<int>(last));
}

// A child that sleeps until the test ends it, or a minute at most. Its ID is
// answered once fork() returned in it, so the fork handlers have run.
pid_t ForkIdle() {
    int started[2];
    if (::pipe(started) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGALRM, SIG_DFL);
        ::alarm(60);
        ::close(started[0]);
        ::close(started[1]);
        for (;;) ::pause();
    }
    ::close(started[1]);
    char none = 0;
    while (::read(started[0], &none, 1) < 0 && errno == EINTR) {
    }
    ::close(started[0]);
    return child;
}

// Whether the reading end sees the end of the pipe within 5 s.
int EndSeen(int reading) {
    pollfd entry{reading, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&entry, 1, 5000);
    } while (ready < 0 && errno == EINTR);
    return ready == 1 && (entry.revents & POLLHUP) != 0 ? 1 : 0;
}

void BindWithPipesOpen(uint32_t processId) {
    constexpr int kHighNumber = 900;
    int low[2], high[2];
    if (::pipe2(low, O_CLOEXEC) != 0 || ::pipe2(high, O_CLOEXEC) != 0 ||
        ::dup3(high[1], kHighNumber, O_CLOEXEC) != kHighNumber) {
        std::printf("%u 0 0\n", ~0u);
        return;
    }
    ::close(high[1]);
    const uint32_t result = jobAssign(processId);
    ::close(low[1]);
    ::close(kHighNumber);
    const int lowSeen = EndSeen(low[0]);
    const int highSeen = EndSeen(high[0]);
    ::close(low[0]);
    ::close(high[0]);
    std::printf("%u %d %d\n", result, lowSeen, highSeen);
}

}  // namespace

int main() {
    struct sigaction action {};
    action.sa_handler = Ignore;  // no SA_RESTART: calls in progress see EINTR
    ::sigaction(SIGUSR1, &action, nullptr);
    ::sigaction(SIGALRM, &action, nullptr);

    hostloader::DynamicLibrary library;
    std::string error;
    if (!library.Open(hostloader::LibraryFileName(), error)) {
        std::fprintf(stderr, "could not load the library: %s\n", error.c_str());
        return 1;
    }
    jobAssign = library.Export<JobAssignFn>("JobAssign", 1);
    if (jobAssign == nullptr) return 1;
    char line[64];
    for (;;) {
        if (std::fgets(line, sizeof line, stdin) == nullptr) {
            if (std::feof(stdin) || errno != EINTR) break;
            std::clearerr(stdin);
            continue;
        }
        unsigned children = 0;
        unsigned processId = 0;
        if (std::sscanf(line, "fork %u %u", &children, &processId) == 2) {
            ForkAndBind(children, processId);
        } else if (std::sscanf(line, "timer %u", &processId) == 1) {
            const itimerval every{{0, static_cast<suseconds_t>(processId)},
                                  {0, static_cast<suseconds_t>(processId)}};
            std::printf("%d\n", ::setitimer(ITIMER_REAL, &every, nullptr));
        } else if (std::sscanf(line, "pipe %u", &processId) == 1) {
            BindWithPipesOpen(processId);
        } else if (std::strncmp(line, "idle", 4) == 0) {
            std::printf("%d\n", static_cast<int>(ForkIdle()));
        } else if (std::strncmp(line, "hold", 4) == 0) {
            const long holder = ::syscall(SYS_clone, SIGCHLD, 0, 0, 0, 0);
            if (holder == 0) {
                for (;;) ::pause();
            }
            std::printf("%ld\n", holder);
        } else {
            std::printf("%u\n", jobAssign(static_cast<uint32_t>(std::strtoul(line, nullptr, 10))));
        }
        std::fflush(stdout);
    }
    return 0;
}
