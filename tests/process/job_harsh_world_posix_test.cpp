// The binding on Linux against what real hosts do: signal floods, fork without
// exec, a watcher that stops answering, bound processes with children of their
// own.
#include <dirent.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "OrvaneLib.h"
#include "process/job_host_driver_posix.hpp"
#include "process/platform/job_watcher.hpp"
#include "process/platform/job_watcher_protocol.hpp"

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

// Whether the condition holds within 10 s.
bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

// What a process's open descriptors lead to ("socket:[…]", "anon_inode:[pidfd]", paths),
// leaving out those into /proc: a watcher that scans the process table holds one
// for a moment now and then, which a count taken at that moment would include.
std::vector<std::string> DescriptorTargets(pid_t pid) {
    std::vector<std::string> targets;
    const std::string folder = "/proc/" + std::to_string(pid) + "/fd/";
    DIR* fds = ::opendir(folder.c_str());
    if (fds == nullptr) return targets;
    while (dirent* fd = ::readdir(fds)) {
        if (fd->d_name[0] == '.') continue;
        char target[256];
        const ssize_t length = ::readlink((folder + fd->d_name).c_str(), target, sizeof target);
        if (length > 0 && std::string_view(target, static_cast<size_t>(length)).rfind("/proc", 0) != 0)
            targets.emplace_back(target, static_cast<size_t>(length));
    }
    ::closedir(fds);
    return targets;
}

// The fields of /proc/<pid>/stat after the name: [0] is the state, [1] the
// parent's ID, [11] and [12] the user and system CPU time in clock ticks.
std::vector<std::string> StatFields(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> fields;
    const size_t nameEnd = text.rfind(')');
    if (nameEnd == std::string::npos) return fields;
    size_t at = nameEnd + 2;
    while (at < text.size()) {
        const size_t end = text.find(' ', at);
        fields.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return fields;
}

pid_t ParentOf(pid_t pid) {
    const auto fields = StatFields(pid);
    return fields.size() > 1 ? static_cast<pid_t>(std::stol(fields[1])) : -1;
}

long CpuTicks(pid_t pid) {
    const auto fields = StatFields(pid);
    return fields.size() > 12 ? std::stol(fields[11]) + std::stol(fields[12]) : -1;
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
        if (output_ != nullptr && std::fscanf(output_, "%d", &leaf_) == 1) leafFd_ = OpenProcessFd(leaf_);
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
    pid_t Leaf() const { return leaf_; }
    bool AllEndSoon() const { return leafFd_ >= 0 && EndsSoon(rootFd_) && EndsSoon(leafFd_); }

private:
    pid_t root_ = 0;
    pid_t leaf_ = 0;
    int input_ = -1;
    FILE* output_ = nullptr;
    int rootFd_ = -1;
    int leafFd_ = -1;
};

// Re-binding a bound process (which the host answers alone) and binding new
// ones (an exchange with the watcher) under the flood.
TEST(JobHarshWorldTest, ASignalFloodNeverEndsABoundProcess) {
    constexpr int kNewcomers = 20;
    SleepingChild child;
    std::vector<SleepingChild> newcomers(kNewcomers);
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
    // A budget of its own, so that a slow machine shortens the run rather than
    // failing it, and a fault fails it long before the test's timeout.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int calls = 0;
    int bound = 0;
    for (; calls < 2000 && child.Running() && std::chrono::steady_clock::now() < deadline; ++calls) {
        const bool newcomer = calls % 100 == 0 && bound < kNewcomers;
        const uint32_t result = host.Bind(newcomer ? newcomers[bound].Id() : child.Id());
        if (result != (newcomer ? kExistingAssigned : kAlreadyBound)) {
            ADD_FAILURE() << "call " << calls << (newcomer ? " binding a new process" : "")
                          << " under the flood returned " << result;
            break;
        }
        if (newcomer) ++bound;
    }
    flooding.store(false);
    flood.join();
    EXPECT_TRUE(child.Running()) << "the bound process " << (child.Killed() ? "was killed" : "ended")
                                 << " after " << calls << " calls";
    EXPECT_GT(bound, 0);
    RecordProperty("calls_under_flood", calls);
    RecordProperty("bound_under_flood", bound);
    EXPECT_TRUE(host.End(SIGKILL) == false && child.EndsSoon());
    for (int i = 0; i < bound; ++i) EXPECT_TRUE(newcomers[i].EndsSoon()) << "newcomer " << i;
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
    // A child forked (through fork()) that has not called yet: it holds neither
    // the link to its parent's watcher nor the bound processes' descriptors.
    ASSERT_TRUE(host.Command("idle"));
    int idle = 0;
    ASSERT_EQ(std::fscanf(host.Output(), "%d", &idle), 1);
    const int idleFd = OpenProcessFd(idle);
    ASSERT_GE(idleFd, 0);
    for (const std::string& target : DescriptorTargets(idle)) {
        EXPECT_TRUE(target.rfind("socket:", 0) != 0 && target != "anon_inode:[pidfd]")
            << "the forked child holds its parent's " << target;
    }

    // The host is killed while its forked children live on: the host's process
    // ends now, not when they do; the forked child's own stays bound to it.
    host.End(SIGKILL);
    EXPECT_TRUE(parents.EndsSoon());
    EXPECT_TRUE(forkeds.Running());
    for (int fd : {forkedFd, holderFd, idleFd}) {
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

// Each request's answer is told from a late answer to an earlier one: the host
// gives up on a stopped watcher, which answers later.
TEST(JobHarshWorldTest, AStoppedWatcherNeverHangsTheHost) {
    SleepingChild first;
    SleepingChild second;
    SleepingChild third;
    SleepingChild refused;
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

    // A late "bound" followed by a refusal: the host reports the refusal. The
    // watcher refuses a process whose descriptor it cannot receive, which a
    // descriptor limit of 0 brings about.
    const size_t holding = DescriptorTargets(watcher).size();
    ::kill(watcher, SIGSTOP);
    EXPECT_EQ(host.Bind(third.Id()), kExistingNotBound);
    ::kill(watcher, SIGCONT);
    ASSERT_TRUE(Eventually([&] { return DescriptorTargets(watcher).size() == holding + 1; }))
        << "the watcher did not take the late request";
    rlimit limit{};
    ASSERT_EQ(::prlimit(watcher, RLIMIT_NOFILE, nullptr, &limit), 0);
    const rlimit none{0, limit.rlim_max};
    ASSERT_EQ(::prlimit(watcher, RLIMIT_NOFILE, &none, nullptr), 0);
    EXPECT_EQ(host.Bind(refused.Id()), kExistingNotBound);
    ASSERT_EQ(::prlimit(watcher, RLIMIT_NOFILE, &limit, nullptr), 0);

    host.End(SIGKILL);
    EXPECT_TRUE(first.EndsSoon());
    EXPECT_TRUE(second.EndsSoon());
    EXPECT_TRUE(third.EndsSoon()) << "a process bound by a late answer survived";
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(refused.Running());
}

// The watcher holds nothing longer than it needs: no descriptor of the host's
// (the host sees the end of a pipe whose writing end it closed, numbered below
// the watcher's own descriptors or above them), and once a
// bound process ends, not its descriptor either; it then sleeps again instead
// of spinning on the ended process, and still ends the others with the host.
TEST(JobHarshWorldTest, TheWatcherHoldsNothingLongerThanItNeeds) {
    SleepingChild first;
    SleepingChild second;
    ScenarioHost host;
    ASSERT_TRUE(host.Started());
    ASSERT_TRUE(host.Command("pipe " + std::to_string(first.Id())));
    unsigned result = 0;
    int lowEnded = 0, highEnded = 0;
    ASSERT_EQ(std::fscanf(host.Output(), "%u %d %d", &result, &lowEnded, &highEnded), 3);
    EXPECT_EQ(result, kNewJobAssigned);
    EXPECT_EQ(lowEnded, 1) << "the watcher holds the host's pipe open";
    EXPECT_EQ(highEnded, 1) << "the watcher holds the host's pipe on a high number open";
    ASSERT_EQ(host.Bind(second.Id()), kExistingAssigned);
    const pid_t watcher = FindWatcherOf(host.Pid());
    ASSERT_NE(watcher, 0);
    const size_t holding = DescriptorTargets(watcher).size();

    first.End();
    EXPECT_TRUE(Eventually([&] { return DescriptorTargets(watcher).size() == holding - 1; }))
        << "the watcher still holds the ended process's descriptor";
    const long ticksBefore = CpuTicks(watcher);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    // A spinning watcher uses dozens of ticks (of 1/100 s) even on a loaded machine.
    EXPECT_LE(CpuTicks(watcher) - ticksBefore, 10) << "the watcher spins";

    host.End(SIGKILL);
    EXPECT_TRUE(second.EndsSoon());
}

// More binds than the watcher holds: the rest are refused, and neither side
// keeps a descriptor of a refused one. All binds hand over the same process
// (only the host side tells a process bound already), so no thousands of
// processes are needed; this test program is the host.
TEST(JobHarshWorldTest, BindsBeyondTheWatchersCapacityAreRefusedWithoutLeaks) {
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_max < static_cast<rlim_t>(kWatcherCapacity) + 64)
        GTEST_SKIP() << "the descriptor limit is below the capacity";
    SleepingChild child;
    const auto pid = static_cast<pid_t>(child.Id());
    WatcherLink link = StartJobWatcher(TreeEnding::procScan);
    ASSERT_GE(link.socket, 0);
    const int processFd = OpenProcessFd(pid);
    ASSERT_GE(processFd, 0);
    const size_t hostHolding = DescriptorTargets(::getpid()).size();
    const size_t watcherHolding = DescriptorTargets(link.watcher).size();
    int accepted = 0;
    for (int i = 0; i < kWatcherCapacity + 3; ++i) accepted += SendProcess(link, processFd, pid) ? 1 : 0;
    EXPECT_EQ(accepted, kWatcherCapacity);
    EXPECT_EQ(DescriptorTargets(link.watcher).size(), watcherHolding + kWatcherCapacity);
    EXPECT_EQ(DescriptorTargets(::getpid()).size(), hostHolding);
    // It still answers, and ends what it holds when the link closes.
    EXPECT_TRUE(SendKillOnClose(link, true));
    ::close(processFd);
    ::close(link.socket);
    EXPECT_TRUE(child.EndsSoon());
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

// Makes the next process ID at least `id` (needs privilege); false if it cannot.
bool SetNextProcessId(long id) {
    std::ofstream last("/proc/sys/kernel/ns_last_pid");
    last << id - 1;
    last.close();
    return !last.fail();
}

long ProcessIdLimit() {
    std::ifstream limit("/proc/sys/kernel/pid_max");
    long most = 32768;
    limit >> most;
    return most;
}

// The way without a control group, whether or not this host may create one: for
// a tree as it comes, and for one whose process IDs wrapped around on the way
// down (each descendant's ID below its parent's), which one pass through /proc
// in ID order does not find whole.
TEST(JobHarshWorldTest, TheProcScanEndsTheWholeTree) {
    const long most = ProcessIdLimit();
    const std::string wrapping =
        "echo " + std::to_string(most / 2 - 1) + " > /proc/sys/kernel/ns_last_pid; sh -c 'echo " +
        std::to_string(most / 4 - 1) + " > /proc/sys/kernel/ns_last_pid; sleep 300 & echo $!; wait' & wait";
    const struct {
        const char* name;
        std::string script;  // empty: ProcessTree's own
        bool wrapped;
    } cases[] = {
        {"IDs as they come", "", false},
        {"IDs wrapped around", wrapping, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.wrapped && !SetNextProcessId(most - 600)) GTEST_SKIP() << "cannot choose the next process ID";
        ProcessTree tree = c.script.empty() ? ProcessTree() : ProcessTree(c.script.c_str());
        tree.ReadLeaf();
        ASSERT_TRUE(tree.Started());
        if (c.wrapped) {
            const pid_t middle = ParentOf(tree.Leaf());
            if (!(tree.Leaf() < middle && middle < static_cast<pid_t>(tree.Root())))
                GTEST_SKIP() << "the IDs did not wrap: " << tree.Root() << " " << middle << " "
                             << tree.Leaf();
        }
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
}

}  // namespace
}  // namespace orvane::process
