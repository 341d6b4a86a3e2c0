// exit() in one host thread while others are inside exports (see
// exit_race_host.cpp), run many times in fresh hosts: every run ends within
// seconds (a lock held by a thread the system ended is never waited for),
// cleanly (under the sanitizers: without a report), and, when the library
// could end normally, the SDK saw its shutdown and then the stop of each live
// subscription.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/platform/host_run.hpp"

namespace {

using namespace std::chrono_literals;

// What the stand-in traced of the library's end: the SDK's shutdown (unless
// `shutdownRequired` is false and the trace shows none), and after it a stop of
// each of the first two subscriptions the host started (which it never stops).
// Empty when all is there; else what is missing.
std::string MissingEnd(const std::string& trace, bool shutdownRequired) {
    std::istringstream lines(trace);
    std::vector<std::string> liveHandles;
    bool shutDown = false;
    std::vector<std::string> stoppedAfter;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind, operation, resultWord, result, argsWord, first;
        words >> kind >> operation >> resultWord >> result >> argsWord >> first;
        if (kind != "call") continue;
        if (operation == "start-remote-config" && liveHandles.size() < 2 && result != "-1") {
            liveHandles.push_back(result);
        } else if (operation == "cleanup") {
            shutDown = true;
        } else if (operation == "stop-remote-config" && shutDown) {
            stoppedAfter.push_back(first);
        }
    }
    if (liveHandles.size() != 2) return "the host's two subscriptions were not traced";
    if (!shutDown) return shutdownRequired ? "no shutdown of the SDK" : "";
    for (const std::string& handle : liveHandles) {
        if (std::find(stoppedAfter.begin(), stoppedAfter.end(), handle) == stoppedAfter.end()) {
            return "no stop of live handle " + handle + " after the shutdown";
        }
    }
    return "";
}

struct Scenario {
    const char* argument;
    int runs;
    // Whether the SDK must see the library's end: always when no thread calls
    // exports at the end; else where the end never waits for calls.
    enum { Always, WhereNoDrain, Never } sdkSeesEnd;
};

class ExitRaceTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(ExitRaceTest, EveryRunEndsCleanlyAndPromptly) {
    const Scenario scenario = GetParam();
    const std::string tracePath = testsupport::TestFolder() + "exit-race-trace-" + scenario.argument + ".txt";
    int clean = 0, hangs = 0, crashes = 0;
    bool forgiven = false;
    std::chrono::duration<double> longest{}, total{};
    for (int run = 0; run < scenario.runs; ++run) {
        std::remove(tracePath.c_str());
        const auto result = testsupport::RunHelperProgram("exit_race_host", scenario.argument,
                                                          "HCNETSDK_STANDIN_TRACE", tracePath, 60s);
        ASSERT_TRUE(result.started);
        longest = std::max(longest, result.duration);
        total += result.duration;
        hangs += result.hung;
        crashes += !result.hung && result.status != 0;
        EXPECT_FALSE(result.hung) << "run " << run << " did not end";
        EXPECT_EQ(result.status, 0) << "run " << run << ":\n" << result.errors.substr(0, 4000);
        EXPECT_EQ(result.errors, "") << "run " << run;
        if (scenario.sdkSeesEnd != Scenario::Never && !result.hung) {
            std::ifstream traced(tracePath, std::ios::binary);
            std::stringstream text;
            text << traced.rdbuf();
            const bool required =
                scenario.sdkSeesEnd == Scenario::Always || testsupport::LibraryEndAlwaysShutsSdkDown();
            const std::string missing = MissingEnd(text.str(), required);
            // Under wine, a stand-in stream thread that the process's end ended in
            // the middle of its trace write can still tear the last lines of the
            // trace (wine's appends from two handles are not atomic): once in a
            // few hundred runs on a loaded machine. A fault in the end misses
            // them in every run, so one such run is forgiven, and said.
            if (!missing.empty() && !forgiven) {
                forgiven = true;
                std::printf("run %d: %s (forgiven once)\n", run, missing.c_str());
            } else {
                EXPECT_EQ(missing, "") << "run " << run;
            }
        }
        if (!::testing::Test::HasFailure()) ++clean;
        if (::testing::Test::HasFailure()) break;
    }
    std::remove(tracePath.c_str());
    std::printf("%s: %d runs clean, %d hung, %d failed; longest %.2f s, total %.2f s\n", scenario.argument,
                clean, hangs, crashes, longest.count(), total.count());
    RecordProperty("clean_runs", clean);
}

// Idle: no thread calls exports as the host exits (the floor of the others'
// times). Blocked: the host waits out the drain limit (a second) each run.
// Reload: the host loads and closes the library a hundred times in each run.
INSTANTIATE_TEST_SUITE_P(Scenarios, ExitRaceTest,
                         ::testing::Values(Scenario{"idle", 10, Scenario::Always},
                                           Scenario{"race", 40, Scenario::WhereNoDrain},
                                           Scenario{"blocked", 6, Scenario::Never},
                                           Scenario{"reload", 3, Scenario::Never}),
                         [](const auto& info) { return std::string(info.param.argument); });

}  // namespace
