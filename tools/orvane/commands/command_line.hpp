// Parsing a command line (the program's, or a line of a shell session) into the
// chosen command, with the usage errors every caller reports alike.
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

#include "commands/tool.hpp"

namespace orvane_cli {

// What parsing gave: a command to run, help or the version already printed, or
// a usage error to report.
struct Parsed {
    enum Kind { kCommand, kPrinted, kUsageError } kind = kCommand;
    int exitCode = 0;     // for kPrinted
    std::string message;  // for kUsageError
};

// The hidden option through which a command with words of its own takes the
// address given as its first word (AddLeadingAddress).
inline constexpr const char* kLeadingAddressOption = "--address-word";

// Parses `args` (without the program name). Unknown commands and options are
// named in the message. For a command with a leading address, a first word is
// the address when it is an IP address ("snapshot 192.0.2.64" lacks the FILE),
// or when the command's own words would otherwise be one too many, the word
// has a host name's form, and it is no value the first of those words takes
// ("ptz move cam1 left", but "ptz move left right" stays an error).
Parsed ParseCommandLine(CLI::App& app, std::vector<std::string> args);

// Splits a line into words as a POSIX shell would for plain words: blanks
// separate them, '...' keeps text as it is, "..." keeps it but for \" and \\,
// and a backslash outside quotes escapes the next character. False, with a
// reason, for an unterminated quote.
bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error);

// "orvane [OPTIONS] run [--] COMMAND [ARG...]": takes the command and its
// arguments (which are none of orvane's business) out of `args`, leaving the
// words up to "run". Nothing when the command is not run.
std::optional<std::vector<std::string>> TakeRunCommand(std::vector<std::string>& args);

// "orvane [OPTIONS] service COMMAND [OPTIONS] -- ORVANE-ARGS...": takes the words
// after "--" (a serve command line: cmd_service.cpp) out of `args`, leaving
// those before it. Nothing when the command is not service or has no "--".
std::optional<std::vector<std::string>> TakeServiceCommand(std::vector<std::string>& args);

// Whether the arguments ask for JSON output (before any "--"), for the case
// where parsing fails before --json is read.
bool AsksForJson(const std::vector<std::string>& args);

}  // namespace orvane_cli
