// Driving binding scenarios on Linux: sleeping children to bind, and a fresh
// host program (job_host_posix) that binds what it is told.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "support/platform/program_folder_posix.hpp"

extern char** environ;

namespace testsupport {

// A child that sleeps until it is ended; ended and reaped on destruction. It
// would end by itself only after longer than any test may run (so that a test
// killed on the way leaves nothing behind for long), and a natural end is told
// from a kill: a test never takes the one for the other.
class SleepingChild {
public:
    SleepingChild() { Start(); }
    ~SleepingChild() { End(); }
    SleepingChild(const SleepingChild&) = delete;
    SleepingChild& operator=(const SleepingChild&) = delete;

    uint32_t Id() const { return static_cast<uint32_t>(pid_); }
    // Whether the child still runs; reaps it once it has ended.
    bool Running() {
        if (pid_ == 0) return false;
        if (::waitpid(pid_, &status_, WNOHANG) == 0) return true;
        pid_ = 0;
        return false;
    }
    // Whether the child was ended by a signal (and reaped), not by itself.
    bool Killed() const { return pid_ == 0 && WIFSIGNALED(status_); }
    // Polls until the child has ended (it is then reaped), within a generous
    // bound; true when a signal ended it.
    bool EndsSoon() {
        for (int i = 0; i < 200 && Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return Killed();
    }
    void End() {
        if (pid_ == 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
        pid_ = 0;
    }
    // Ends the child, then starts a new one that gets the same process ID, by
    // setting the namespace's last ID (needs privilege); false if it got another.
    bool RestartWithSameId() {
        const pid_t wanted = pid_;
        End();
        for (int attempt = 0; attempt < 20; ++attempt) {
            FILE* last = std::fopen("/proc/sys/kernel/ns_last_pid", "w");
            if (last == nullptr) return false;
            std::fprintf(last, "%d", wanted - 1);
            const bool written = std::fclose(last) == 0;
            Start();
            if (!written || pid_ == wanted) return pid_ == wanted;
            End();
        }
        return false;
    }

private:
    void Start() {
        char program[] = "sleep";
        char seconds[] = "900";
        char* arguments[] = {program, seconds, nullptr};
        if (::posix_spawnp(&pid_, "sleep", nullptr, nullptr, arguments, environ) != 0) pid_ = 0;
        status_ = 0;
    }
    pid_t pid_ = 0;
    int status_ = 0;  // the wait status once reaped
};

// The ID of a process that has ended and been reaped.
inline uint32_t EndedProcessId() {
    SleepingChild child;
    const uint32_t id = child.Id();
    child.End();
    return id;
}

// A fresh host program that binds the process IDs it is given.
class ScenarioHost {
public:
    ScenarioHost() {
        int toHost[2];
        int fromHost[2];
        if (::pipe2(toHost, O_CLOEXEC) != 0 || ::pipe2(fromHost, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toHost[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromHost[1], 1);
        const std::string path = ProgramFolder() + "job_host_posix";
        char* arguments[] = {const_cast<char*>(path.c_str()), nullptr};
        if (::posix_spawn(&pid_, path.c_str(), &actions, nullptr, arguments, environ) != 0) pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(toHost[0]);
        ::close(fromHost[1]);
        input_ = ::fdopen(toHost[1], "w");
        output_ = ::fdopen(fromHost[0], "r");
    }
    ~ScenarioHost() {
        if (pid_ != 0) End(SIGKILL);
        if (output_ != nullptr) std::fclose(output_);
    }
    ScenarioHost(const ScenarioHost&) = delete;
    ScenarioHost& operator=(const ScenarioHost&) = delete;

    bool Started() const { return pid_ != 0 && input_ != nullptr && output_ != nullptr; }
    pid_t Pid() const { return pid_; }
    // JobAssign's result in the host; ~0u if the host gave none within 30 s.
    uint32_t Bind(uint32_t processId) {
        unsigned result = ~0u;
        return Command(std::to_string(processId)) && std::fscanf(output_, "%u", &result) == 1 ? result : ~0u;
    }
    // Sends a command line; true when the host answered within 30 s.
    bool Command(const std::string& line) {
        std::fprintf(input_, "%s\n", line.c_str());
        std::fflush(input_);
        pollfd entry{::fileno(output_), POLLIN, 0};
        return ::poll(&entry, 1, 30000) == 1;
    }
    FILE* Output() const { return output_; }
    // Kills the host, or with signal 0 lets it exit normally; true when it exited
    // normally. A host that has not ended 20 s later is killed (and the answer is false).
    bool End(int signal) {
        if (signal != 0) ::kill(pid_, signal);
        std::fclose(input_);
        input_ = nullptr;
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 400 && !(ended = ::waitpid(pid_, &status, WNOHANG) != 0); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!ended) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
        pid_ = 0;
        return ended && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    pid_t pid_ = 0;
    FILE* input_ = nullptr;
    FILE* output_ = nullptr;
};

}  // namespace testsupport
