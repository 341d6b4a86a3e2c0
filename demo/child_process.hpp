// Starting and ending a harmless child process for the job binding step.
#pragma once

#include <cstdint>

namespace demo {

struct ChildProcess {
    uint32_t id = 0;
    std::uintptr_t handle = 0;  // the system's handle, where it has one
};

// Starts a child that only waits about half a minute; false if it cannot start.
bool StartChild(ChildProcess& child);
// Ends the child and waits for it.
void EndChild(ChildProcess& child);

}  // namespace demo
