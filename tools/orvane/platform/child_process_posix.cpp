#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "child_process.hpp"
#include "core/platform/retry_eintr.hpp"

namespace orvane_cli::platform {
namespace {

using orvane::platform::RetryOnEintr;

volatile std::sig_atomic_t childPid = 0;

// Termination requests go on to the command, which decides how to end; this
// process ends when it has.
extern "C" void PassOn(int signal) {
    if (childPid > 0) ::kill(static_cast<pid_t>(childPid), signal);
}

class PosixChild final : public HeldChild {
public:
    PosixChild(pid_t pid, int go, int failure, std::string name)
        : pid_(pid), go_(go), failure_(failure), name_(std::move(name)) {}
    ~PosixChild() override {
        if (go_ >= 0) ::close(go_);  // unreleased: the child ends without running anything
        if (failure_ >= 0) ::close(failure_);
        if (!waited_) {
            int status = 0;
            RetryOnEintr(::waitpid, pid_, &status, 0);
        }
    }

    uint32_t ProcessId() const override { return static_cast<uint32_t>(pid_); }

    bool Release(std::string& error) override {
        const char go = 1;
        RetryOnEintr(::write, go_, &go, 1);
        ::close(go_);
        go_ = -1;
        // The failure pipe closes on a successful exec; a failed one sends errno.
        int code = 0;
        const ssize_t got = RetryOnEintr(::read, failure_, &code, sizeof code);
        ::close(failure_);
        failure_ = -1;
        if (got == static_cast<ssize_t>(sizeof code)) {
            error = "cannot run " + name_ + ": " + std::strerror(code);
            return false;
        }
        return true;
    }

    int Wait() override {
        childPid = pid_;
        struct sigaction passOn {};
        passOn.sa_handler = PassOn;
        sigemptyset(&passOn.sa_mask);
        ::sigaction(SIGTERM, &passOn, nullptr);
        ::sigaction(SIGHUP, &passOn, nullptr);
        // The terminal sends Ctrl+C to the command as well; it alone decides.
        ::signal(SIGINT, SIG_IGN);
        ::signal(SIGQUIT, SIG_IGN);
        int status = 0;
        if (RetryOnEintr(::waitpid, pid_, &status, 0) < 0) return 127;
        waited_ = true;
        childPid = 0;
        if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 127;
    }

private:
    pid_t pid_;
    int go_;
    int failure_;
    std::string name_;
    bool waited_ = false;
};

}  // namespace

std::unique_ptr<HeldChild> HeldChild::Start(const std::vector<std::string>& argv, std::string& error) {
    if (argv.empty()) {
        error = "no command to run";
        return nullptr;
    }
    std::vector<char*> pointers;
    for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
    pointers.push_back(nullptr);
    int go[2], failure[2];
    if (::pipe2(go, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    if (::pipe2(failure, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        ::close(go[0]);
        ::close(go[1]);
        return nullptr;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec. The child's copies of
        // the parent's ends go first: while it held the writing end of the go
        // pipe, a parent that dropped or died before the release left it
        // waiting for ever instead of seeing the end of the pipe.
        ::close(go[1]);
        ::close(failure[0]);
        char released = 0;
        if (RetryOnEintr(::read, go[0], &released, 1) != 1) ::_exit(127);
        ::execvp(pointers[0], pointers.data());
        const int code = errno;
        RetryOnEintr(::write, failure[1], &code, sizeof code);
        ::_exit(127);
    }
    ::close(go[0]);
    ::close(failure[1]);
    if (pid < 0) {
        error = std::string("cannot start a process: ") + std::strerror(errno);
        ::close(go[1]);
        ::close(failure[0]);
        return nullptr;
    }
    return std::make_unique<PosixChild>(pid, go[1], failure[0], argv[0]);
}

uint32_t ParentProcessId() { return static_cast<uint32_t>(::getppid()); }
uint32_t CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

}  // namespace orvane_cli::platform
