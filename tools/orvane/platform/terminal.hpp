// What the tool needs from the console it runs in.
#pragma once

#include <optional>
#include <string>

namespace orvane_cli::platform {

// Makes the console show UTF-8 output as such (a no-op where it already does).
void PrepareConsole();
// Whether standard output / standard input is an interactive terminal.
bool StdoutIsTerminal();
bool StdinIsTerminal();
// Shows the prompt on standard error and reads one line from standard input,
// without echo when it is a terminal. Nothing when input has ended.
std::optional<std::string> ReadSecretLine(const std::string& prompt);

// From now on Ctrl+C (and termination requests) only set a flag that long-running
// commands poll, so that they can end cleanly: stop, log out, close files.
void WatchForInterrupt();
bool InterruptRequested();

}  // namespace orvane_cli::platform
