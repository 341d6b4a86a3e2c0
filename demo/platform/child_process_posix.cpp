#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "child_process.hpp"

extern char** environ;

namespace demo {

bool StartChild(ChildProcess& child) {
    char program[] = "sleep";
    char seconds[] = "30";
    char* arguments[] = {program, seconds, nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "sleep", nullptr, nullptr, arguments, environ) != 0) return false;
    child.id = static_cast<uint32_t>(pid);
    return true;
}

void EndChild(ChildProcess& child) {
    if (child.id == 0) return;
    ::kill(static_cast<pid_t>(child.id), SIGKILL);
    int status = 0;
    ::waitpid(static_cast<pid_t>(child.id), &status, 0);
    child = ChildProcess{};
}

}  // namespace demo
