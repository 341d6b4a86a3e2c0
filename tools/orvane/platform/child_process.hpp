// Starting a command as a child that waits to be released, so that it can be
// bound to the library's job before it runs any of its own code.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvane_cli::platform {

class HeldChild {
public:
    // Starts `argv` (looked up in PATH) with this process's standard input,
    // output and error, held before it runs the command. Nothing, with a reason,
    // when it cannot be started.
    static std::unique_ptr<HeldChild> Start(const std::vector<std::string>& argv, std::string& error);
    virtual ~HeldChild() = default;

    virtual uint32_t ProcessId() const = 0;
    // Lets the command run; false with a reason when it could not be started
    // (the child has then ended).
    virtual bool Release(std::string& error) = 0;
    // Waits until the command ends, passing on termination requests this
    // process gets meanwhile (Ctrl+C reaches the command from the terminal
    // itself). The command's exit code, or 128 + N when signal N ended it.
    virtual int Wait() = 0;
};

// The process that started this one (0 when unknown).
uint32_t ParentProcessId();
uint32_t CurrentProcessId();

}  // namespace orvane_cli::platform
