// exit() in one host thread while others are inside exports: every run ends
// cleanly (under the sanitizers: without a report).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/platform/program_folder_posix.hpp"

extern char** environ;

namespace {

// Runs the host once; its exit status and what it wrote to its error output.
std::pair<int, std::string> RunHostOnce() {
    int errors[2];
    if (::pipe2(errors, O_CLOEXEC) != 0) return {-1, "no pipe"};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, errors[1], 2);
    const std::string path = testsupport::ProgramFolder() + "exit_race_host";
    char* arguments[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(errors[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t length; (length = ::read(errors[0], buffer, sizeof buffer)) != 0;) {
        if (length > 0)
            text.append(buffer, static_cast<size_t>(length));
        else if (errno != EINTR)
            break;
    }
    ::close(errors[0]);
    if (spawned != 0) return {-1, "not started"};
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), text};
}

TEST(ExitRaceTest, ExportsRacingExitNeverTouchFreedMemory) {
    int clean = 0;
    for (int run = 0; run < 60; ++run) {
        const auto [status, errors] = RunHostOnce();
        EXPECT_EQ(status, 0) << "run " << run << ":\n" << errors.substr(0, 4000);
        EXPECT_EQ(errors, "") << "run " << run;
        if (status == 0 && errors.empty()) ++clean;
        if (::testing::Test::HasFailure()) break;
    }
    RecordProperty("clean_runs", clean);
}

}  // namespace
