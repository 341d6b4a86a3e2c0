// Runs a helper program of the test's folder once, as a fresh process, and ends
// it when it outlives a limit (a hang).
#pragma once

#include <chrono>
#include <string>

namespace testsupport {

struct HostRun {
    bool started = false;
    // Still running at the limit: ended then, and its status means nothing.
    bool hung = false;
    // Its exit status; where a signal ended it, 128 plus the signal's number.
    int status = -1;
    // What it wrote to its error output.
    std::string errors;
    std::chrono::duration<double> duration{};
};

// Runs the program `name` (without the platform's suffix) from the test's own
// folder with one argument, `variable` set to `value` in its environment.
HostRun RunHelperProgram(const std::string& name, const std::string& argument, const std::string& variable,
                         const std::string& value, std::chrono::milliseconds limit);

// The test's own folder, with a trailing separator.
std::string TestFolder();

// Whether the system ends a process's other threads before the library's end
// runs (Windows): that end never waits for calls, so it always shuts the SDK
// down. Elsewhere a call still inside after the drain limit (a thread kept off
// the processor that long counts too) means the SDK is left alone.
bool LibraryEndAlwaysShutsSdkDown();

}  // namespace testsupport
