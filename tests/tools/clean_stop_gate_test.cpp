// The wait that keeps a closing Windows console from ending the process in the
// middle of the command's clean stop: it lets go once the stop is done, and
// otherwise only when its bound has run out.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/clean_stop_gate.hpp"

namespace orvane_cli::platform {
namespace {

using namespace std::chrono_literals;

TEST(CleanStopGate, LetsGoWhenTheStopIsDoneOrTheBoundRunsOut) {
    const struct {
        const char* done;  // when the command says its stop is over
        std::chrono::milliseconds bound;
    } cases[] = {{"before the wait", 10s}, {"while it waits", 10s}, {"never", 300ms}};
    for (const auto& c : cases) {
        const std::string when = c.done;
        CleanStopGate gate;
        if (when == "before the wait") gate.Done();
        std::thread command;
        if (when == "while it waits") {
            command = std::thread([&gate] {
                std::this_thread::sleep_for(300ms);
                gate.Done();
            });
        }
        const auto start = std::chrono::steady_clock::now();
        const bool done = gate.WaitForDone(c.bound);
        const auto waited = std::chrono::steady_clock::now() - start;
        if (command.joinable()) command.join();
        EXPECT_EQ(done, when != "never") << "done " << when;
        EXPECT_EQ(waited >= c.bound, when == "never") << "done " << when << ": the bound waited out or not";
    }
}

}  // namespace
}  // namespace orvane_cli::platform
