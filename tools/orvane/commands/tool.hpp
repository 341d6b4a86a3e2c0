// What every command shares: the connection options, the output, the library,
// and a login that always ends.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "library/camera_library.hpp"
#include "render/output.hpp"

namespace orvane_cli {

struct Connection {
    std::string address;      // --address
    std::string addressWord;  // the address given as the command's first word
    // The first word's address if given, else --address, else ORVANE_ADDRESS
    // (read here, so that the environment never makes the two ways disagree).
    std::string Address() const;
    // Why the address cannot be used (none given, or the word and --address
    // name different cameras); empty when it can.
    std::string AddressProblem() const;
    int32_t port = 8000;
    std::string user = "admin";
    std::string password;
    bool passwordGiven = false;
    std::string passwordFile;
};

// The login a shell session holds for all its commands.
struct SharedLogin {
    CameraLibrary* library = nullptr;
    int32_t userId = -1;
    std::string address;
    // Why a command's address word cannot be used in the session (it names
    // another camera); empty when it can.
    std::string AddressProblem(const std::string& word) const;
};

struct Tool {
    bool json = false;
    bool quiet = false;
    bool verbose = false;
    Connection connection;
    // Set while a shell session runs: commands then use its login and take no
    // connection options.
    const SharedLogin* shared = nullptr;
    // What `orvane run` starts.
    std::vector<std::string> runCommand;
    // What `orvane service install` registers and `service run` runs: the words
    // after its "--" (an orvane serve command line).
    std::vector<std::string> serviceCommand;
    // The chosen command, set by its subcommand's callback; returns the exit code.
    std::function<int(Output&)> run;

    OutputLevel level() const;
};

// Adds --address to a camera command, and the login options. A shell session's
// commands get neither.
void AddConnectionOptions(CLI::App& command, Tool& tool);
// Lets a command that takes no other words take the address as its word too.
// In a shell session, that word and the leading address below may only name
// the session's own camera.
void AddAddressPositional(CLI::App& command, Tool& tool);
// Lets a command with words of its own take the address as a first word before
// them. CLI11 cannot tell an optional leading word from the required ones after
// it, so the command line's parser recognises such a word (see
// command_line.hpp) and hands it over through a hidden option.
void AddLeadingAddress(CLI::App& command, Tool& tool);
// Adds --port, --user, --password and --password-file; without `passwordOption`
// no --password: a service's command line is seen by every user of the host, for
// as long as it runs.
void AddLoginOptions(CLI::App& command, Connection& connection, bool passwordOption = true);

// Loads the library, logs in, runs `body` with the user ID and logs out, however
// `body` ends (in a shell session: runs `body` with the session's login). Reports
// library, password and login failures with their exit codes; a failed logout
// turns success into kExitFailed.
int WithLogin(Output& out, const Tool& tool, const std::function<int(CameraLibrary&, int32_t userId)>& body);

// The exit code of a command that has ended: kExitInterrupted (the result marked
// as interrupted) when Ctrl+C came meanwhile, else `result`.
int AfterInterrupt(Output& out, int result);

// Loads the library only (for commands that need no login).
int WithLibrary(Output& out, const std::function<int(CameraLibrary&)>& body);

// Logs in to `address` with the connection's port and credentials: the user ID,
// or -1 after reporting the failure (kExitLoginFailed).
int32_t LogIn(Output& out, CameraLibrary& library, const Connection& connection, const std::string& address,
              const std::string& password);
// Logs out; false after reporting the failure.
bool LogOut(Output& out, CameraLibrary& library, int32_t userId, const std::string& address);

// A validator for CLI11 options that take a duration; `zeroForNone` also takes "0".
CLI::Validator DurationValidator(bool zeroForNone = false);

// The camera commands, as the command line and a shell session know them.
void AddCameraCommands(CLI::App& app, Tool& tool);

// One function per command group.
void AddCheckCommand(CLI::App& app, Tool& tool);
void AddPtzCommands(CLI::App& app, Tool& tool);
void AddSnapshotCommand(CLI::App& app, Tool& tool);
void AddThermoCommands(CLI::App& app, Tool& tool);
void AddJobCommand(CLI::App& app, Tool& tool);
void AddRunCommand(CLI::App& app, Tool& tool);
void AddShellCommand(CLI::App& app, Tool& tool);
void AddServeCommand(CLI::App& app, Tool& tool);
void AddServiceCommand(CLI::App& app, Tool& tool);

// The whole command line: the global options and every command, as the
// program parses its own arguments (and service install a serve line).
void AddCommandLine(CLI::App& app, Tool& tool);

}  // namespace orvane_cli
