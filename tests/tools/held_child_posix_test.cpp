// A held child that is never released ends without running its command, and
// dropping it returns: the child must not keep the go pipe open itself.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <string>

#include "platform/child_process.hpp"

namespace orvane_cli::platform {
namespace {

TEST(HeldChild, DroppedUnreleasedItEndsWithoutRunningTheCommand) {
    const std::string marker = "held-child-ran-" + std::to_string(::getpid());
    std::remove(marker.c_str());
    std::string error;
    auto child = HeldChild::Start({"sh", "-c", "echo ran > " + marker}, error);
    ASSERT_NE(child, nullptr) << error;
    const auto pid = static_cast<pid_t>(child->ProcessId());
    auto dropped = std::async(std::launch::async, [&child] { child.reset(); });
    if (dropped.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ::kill(pid, SIGKILL);  // lets the drop return, so that the test can end
        dropped.wait();
        FAIL() << "the unreleased child never ended";
    }
    EXPECT_NE(::access(marker.c_str(), F_OK), 0) << "the command ran";
    std::remove(marker.c_str());
}

}  // namespace
}  // namespace orvane_cli::platform
