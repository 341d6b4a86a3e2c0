// What the tool needs from the console it runs in.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace orvane_cli::platform {

// Makes the console show UTF-8 output as such (a no-op where it already does).
void PrepareConsole();
// Writes UTF-8 text to standard output or standard error and flushes it. A
// Windows console gets it through its wide-character interface, so that any
// character shows whatever the console's code page; files and pipes get the
// UTF-8 bytes.
void WriteText(std::FILE* stream, const std::string& utf8);
// On a terminal standard output: replaces the `previous` lines written last
// (the cursor still at the end of the last of them; 0 for none) with `lines`,
// leaving the cursor at the end of the last new one.
void RewriteLines(std::size_t previous, const std::vector<std::string>& lines);
// Whether standard output / standard input is an interactive terminal.
bool StdoutIsTerminal();
bool StdinIsTerminal();
// Whether the terminal itself ends the line where a person ends the input
// (Windows: Ctrl+Z, then Enter); a POSIX terminal leaves the cursor after the prompt.
bool EndOfInputEndsLine();
// Shows the prompt on standard error and reads one line from standard input,
// without echo when it is a terminal. Nothing when input has ended.
std::optional<std::string> ReadSecretLine(const std::string& prompt);

// From now on Ctrl+C (and termination requests) only set a flag that long-running
// commands poll, so that they can end cleanly: stop, log out, close files.
// Windows ends the process once its handler for a closing console (or a
// shutdown) returns, so that handler waits for CleanStopDone(), as long as
// Windows lets it.
void WatchForInterrupt();
bool InterruptRequested();
// Asks for the same clean stop as Ctrl+C, from within the program (a service's
// stop request: service_control.hpp).
void RequestInterrupt();
// Says that the clean stop after an interrupt is over and its result written
// (a no-op where no stop request waits for it).
void CleanStopDone();
// Forgets an interrupt that has been dealt with (a shell session goes on after
// the command Ctrl+C ended).
void ClearInterrupt();
// A line the interrupt handler writes to standard error the moment Ctrl+C
// arrives, for a wait the tool cannot cut short (a login); nullptr for none.
// The text must outlive its use.
void SetInterruptNotice(const char* text);

}  // namespace orvane_cli::platform
