// What every command shares: the connection options, the output, the library,
// and a login that always ends.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <string>

#include "camera_library.hpp"
#include "output.hpp"

namespace orvane_cli {

struct Connection {
    std::string address;
    int32_t port = 8000;
    std::string user = "admin";
    std::string password;
    bool passwordGiven = false;
    std::string passwordFile;
};

struct Tool {
    bool json = false;
    Connection connection;
    // The chosen command, set by its subcommand's callback; returns the exit code.
    std::function<int(Output&)> run;
};

// Adds --address, --port, --user, --password, --password-file to a camera command.
void AddConnectionOptions(CLI::App& command, Connection& connection);

// Loads the library, logs in, runs `body` with the user ID and logs out, however
// `body` ends. Reports library, password and login failures with their exit codes;
// a failed logout turns success into kExitFailed.
int WithLogin(Output& out, const Connection& connection,
              const std::function<int(CameraLibrary&, int32_t userId)>& body);

// Loads the library only (for commands that need no login).
int WithLibrary(Output& out, const std::function<int(CameraLibrary&)>& body);

// A validator for CLI11 options that take a duration.
CLI::Validator DurationValidator();

// One function per command group.
void AddCheckCommand(CLI::App& app, Tool& tool);
void AddPtzCommands(CLI::App& app, Tool& tool);
void AddSnapshotCommand(CLI::App& app, Tool& tool);
void AddThermoCommands(CLI::App& app, Tool& tool);
void AddJobCommand(CLI::App& app, Tool& tool);

}  // namespace orvane_cli
