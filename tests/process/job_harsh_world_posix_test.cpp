// The binding on Linux against what real hosts do: signal floods, fork without
// exec, a watcher that stops answering, bound processes with children of their
// own.
#include <dirent.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "OrvaneLib.h"
#include "process/job_host_driver_posix.hpp"
#include "process/platform/job_watcher.hpp"

namespace orvane::process {
namespace {

using testsupport::ScenarioHost;
using testsupport::SleepingChild;

constexpr uint32_t kNewJobAssigned = 103;   // job started, armed, process bound
constexpr uint32_t kAlreadyBound = 31;      // the watcher holds the process already
constexpr uint32_t kExistingAssigned = 79;  // bound by a watcher that already ran
constexpr uint32_t kExistingNotBound = 14;  // opened, job existed, not bound

// Whether the process behind the descriptor ends within 10 s.
bool EndsSoon(int processFd) {
    pollfd entry{processFd, POLLIN, 0};
    return ::poll(&entry, 1, 10000) == 1;
}

// A shell whose grandchild sleeps: the tree a bound process may grow. The
// script prints the sleeping leaf's process ID; it may first read a line.
class ProcessTree {
public:
    explicit ProcessTree(const char* script = "sh -c 'sleep 300 & echo $!; wait' & wait") {
        int output[2];
        int input[2];
        if (::pipe(output) != 0 || ::pipe(input) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, output[1], 1);
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
        posix_spawn_file_actions_addclose(&actions, output[0]);
        posix_spawn_file_actions_addclose(&actions, input[1]);
        const char* arguments[] = {"sh", "-c", script, nullptr};
        if (::posix_spawnp(&root_, "sh", &actions, nullptr, const_cast<char**>(arguments), environ) != 0)
            root_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(output[1]);
        ::close(input[0]);
        input_ = input[1];
        output_ = ::fdopen(output[0], "r");
        rootFd_ = root_ > 0 ? OpenProcessFd(root_) : -1;
    }
    // Lets the script past its read; then waits for the leaf's ID.
    void Go() {
        if (::write(input_, "\n", 1) != 1) return;
        ReadLeaf();
    }
    void ReadLeaf() {
        int leaf = 0;
        if (output_ != nullptr && std::fscanf(output_, "%d", &leaf) == 1) leafFd_ = OpenProcessFd(leaf);
    }
    ~ProcessTree() {
        if (output_ != nullptr) std::fclose(output_);
        if (input_ >= 0) ::close(input_);
        for (int fd : {leafFd_, rootFd_}) {
            if (fd >= 0) ::syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0);
        }
        if (root_ > 0) ::waitpid(root_, nullptr, 0);
        for (int fd : {leafFd_, rootFd_}) {
            if (fd >= 0) ::close(fd);
        }
    }
    ProcessTree(const ProcessTree&) = delete;
    ProcessTree& operator=(const ProcessTree&) = delete;

    bool Started() const { return rootFd_ >= 0; }
    uint32_t Root() const { return static_cast<uint32_t>(root_); }
    bool AllEndSoon() const { return leafFd_ >= 0 && EndsSoon(rootFd_) && EndsSoon(leafFd_); }

private:
    pid_t root_ = 0;
    int input_ = -1;
    FILE* output_ = nullptr;
    int rootFd_ = -1;
    int leafFd_ = -1;
};

TEST(JobHarshWorldTest, ASignalFloodNeverEndsABoundProcess) {
    SleepingChild child;
    ScenarioHost host;
    ASSERT_TRUE(host.Started());
    ASSERT_EQ(host.Bind(child.Id()), kNewJobAssigned);
    // A timer of the host's own and a flood from outside: signals arrive while
    // the binding is inside its system calls.
    ASSERT_TRUE(host.Command("timer 20"));
    int timerStarted = -1;
    ASSERT_EQ(std::fscanf(host.Output(), "%d", &timerStarted), 1);
    ASSERT_EQ(timerStarted, 0);
    std::atomic<bool> flooding{true};
    std::thread flood([&] {
        while (flooding.load()) ::kill(host.Pid(), SIGUSR1);
    });
    int calls = 0;
    for (; calls < 2000 && child.Running(); ++calls) {
        const uint32_t result = host.Bind(child.Id());
        if (result != kAlreadyBound) {
            ADD_FAILURE() << "call " << calls << " under the flood returned " << result;
            break;
        }
    }
    flooding.store(false);
    flood.join();
    EXPECT_TRUE(child.Running()) << "the bound process died after " << calls << " calls";
    RecordProperty("calls_under_flood", calls);
    EXPECT_TRUE(host.End(SIGKILL) == false && child.EndsSoon());
}

TEST(JobHarshWorldTest, ForkedChildrenBindThroughWatchersOfTheirOwn) {
    SleepingChild parents;
    SleepingChild forkeds;
    ScenarioHost host;
    ASSERT_TRUE(host.Started());
    ASSERT_EQ(host.Bind(parents.Id()), kNewJobAssigned);
    // Ten forks while another thread of the host keeps binding; the last child stays.
    ASSERT_TRUE(host.Command("fork 10 " + std::to_string(forkeds.Id())));
    int allOwn = 0;
    unsigned lastResult = 0;
    int forked = 0;
    ASSERT_EQ(std::fscanf(host.Output(), "%d %u %d", &allOwn, &lastResult, &forked), 3);
    EXPECT_EQ(allOwn, 1) << "a forked child used its parent's watcher";
    EXPECT_EQ(lastResult, kNewJobAssigned);
    const int forkedFd = OpenProcessFd(forked);
    ASSERT_GE(forkedFd, 0);
    // A child that kept every descriptor, the watcher's link too.
    ASSERT_TRUE(host.Command("hold"));
    int holder = 0;
    ASSERT_EQ(std::fscanf(host.Output(), "%d", &holder), 1);
    const int holderFd = OpenProcessFd(holder);
    ASSERT_GE(holderFd, 0);

    // The host is killed while its forked children live on: the host's process
    // ends now, not when they do; the forked child's own stays bound to it.
    host.End(SIGKILL);
    EXPECT_TRUE(parents.EndsSoon());
    EXPECT_TRUE(forkeds.Running());
    for (int fd : {forkedFd, holderFd}) {
        ::syscall(SYS_pidfd_send_signal, fd, SIGKILL, nullptr, 0);
        EXPECT_TRUE(EndsSoon(fd));
        ::close(fd);
    }
    EXPECT_TRUE(forkeds.EndsSoon());
}

// The host's watcher: in a session of its own, holding the host's process descriptor.
pid_t FindWatcherOf(pid_t host) {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return 0;
    pid_t found = 0;
    while (dirent* entry = ::readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0 || pid == host || ::getsid(pid) != pid) continue;
        const std::string folder = "/proc/" + std::to_string(pid) + "/fdinfo/";
        DIR* fds = ::opendir(folder.c_str());
        if (fds == nullptr) continue;
        while (dirent* fd = ::readdir(fds)) {
            std::ifstream info(folder + fd->d_name);
            std::string line;
            while (std::getline(info, line)) {
                if (line == "Pid:\t" + std::to_string(host)) found = pid;
            }
        }
        ::closedir(fds);
        if (found != 0) break;
    }
    ::closedir(proc);
    return found;
}

TEST(JobHarshWorldTest, AStoppedWatcherNeverHangsTheHost) {
    SleepingChild first;
    SleepingChild second;
    ScenarioHost host;
    ASSERT_TRUE(host.Started());
    ASSERT_EQ(host.Bind(first.Id()), kNewJobAssigned);
    const pid_t watcher = FindWatcherOf(host.Pid());
    ASSERT_NE(watcher, 0);
    ::kill(watcher, SIGSTOP);
    EXPECT_EQ(host.Bind(second.Id()), kExistingNotBound);
    ::kill(watcher, SIGCONT);
    // The watcher took the late request once it ran again; asking again binds
    // the process once more, which changes nothing.
    EXPECT_EQ(host.Bind(second.Id()), kExistingAssigned);
    host.End(SIGKILL);
    EXPECT_TRUE(first.EndsSoon());
    EXPECT_TRUE(second.EndsSoon());
}

TEST(JobHarshWorldTest, ABoundProcessTreeEndsWithTheHost) {
    ProcessTree tree;
    tree.ReadLeaf();
    ASSERT_TRUE(tree.Started());
    ScenarioHost host;
    ASSERT_TRUE(host.Started());
    ASSERT_EQ(host.Bind(tree.Root()), kNewJobAssigned);
    host.End(SIGKILL);
    EXPECT_TRUE(tree.AllEndSoon());
}

// A descendant born after the binding whose parent then ended: no longer in the
// tree, but in the control group, where this host may create one.
TEST(JobHarshWorldTest, ADescendantThatLeftTheTreeEndsThroughTheControlGroup) {
    ProcessTree tree("read go; sh -c 'sleep 300 & echo $!'; sleep 300");
    ASSERT_TRUE(tree.Started());
    ScenarioHost host;
    ASSERT_TRUE(host.Started());
    ASSERT_EQ(host.Bind(tree.Root()), kNewJobAssigned);
    std::ifstream groups("/proc/" + std::to_string(tree.Root()) + "/cgroup");
    const std::string group((std::istreambuf_iterator<char>(groups)), std::istreambuf_iterator<char>());
    if (group.find("/orvane-job-") == std::string::npos) GTEST_SKIP() << "this host may not create a group";
    tree.Go();
    host.End(SIGKILL);
    EXPECT_TRUE(tree.AllEndSoon());
}

// The way without a control group, whether or not this host may create one.
TEST(JobHarshWorldTest, TheProcScanEndsTheWholeTree) {
    ProcessTree tree;
    tree.ReadLeaf();
    ASSERT_TRUE(tree.Started());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t host = ::fork();
    if (host == 0) {
        WatcherLink link = StartJobWatcher(TreeEnding::procScan);
        const int fd = OpenProcessFd(static_cast<pid_t>(tree.Root()));
        const char bound =
            SendKillOnClose(link, true) && SendProcess(link, fd, static_cast<pid_t>(tree.Root()));
        if (::write(ready[1], &bound, 1) != 1) ::_exit(1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char bound = 0;
    ASSERT_EQ(::read(ready[0], &bound, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(bound, 1);
    ::kill(host, SIGKILL);
    ::waitpid(host, nullptr, 0);
    EXPECT_TRUE(tree.AllEndSoon());
}

}  // namespace
}  // namespace orvane::process
