#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "core/platform/host_run.hpp"
#include "support/platform/program_folder_posix.hpp"

extern char** environ;

namespace testsupport {

std::string TestFolder() { return ProgramFolder(); }

HostRun RunHelperProgram(const std::string& name, const std::string& argument, const std::string& variable,
                         const std::string& value, std::chrono::milliseconds limit) {
    HostRun run;
    const auto start = std::chrono::steady_clock::now();
    int errors[2];
    if (::pipe2(errors, O_CLOEXEC) != 0) return run;
    std::vector<std::string> environment{variable + "=" + value};
    for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
    std::vector<char*> environmentPointers;
    for (std::string& entry : environment) environmentPointers.push_back(entry.data());
    environmentPointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errors[1], 2);
    std::string path = ProgramFolder() + name;
    std::string argumentCopy = argument;
    char* arguments[] = {path.data(), argumentCopy.data(), nullptr};
    pid_t pid = 0;
    run.started =
        ::posix_spawn(&pid, path.c_str(), &actions, nullptr, arguments, environmentPointers.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(errors[1]);
    if (!run.started) {
        ::close(errors[0]);
        return run;
    }
    // Its error output until it closes (the host and whatever inherited it ended).
    const auto deadline = start + limit;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run.hung = true;
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd ready{errors[0], POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
        if (ready.revents == 0) continue;
        const ssize_t length = ::read(errors[0], buffer, sizeof buffer);
        if (length == 0) break;
        if (length > 0) run.errors.append(buffer, static_cast<size_t>(length));
        if (length < 0 && errno != EINTR) break;
    }
    ::close(errors[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.duration = std::chrono::steady_clock::now() - start;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

bool LibraryEndAlwaysShutsSdkDown() { return false; }

}  // namespace testsupport
