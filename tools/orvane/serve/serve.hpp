// orvane serve: watches cameras around the clock and serves their readings and
// health over HTTP, for Prometheus and a live page.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "commands/tool.hpp"
#include "render/output.hpp"
#include "serve/alarm_limits.hpp"
#include "serve/log_format.hpp"

namespace orvane_cli::serve {

struct ServeOptions {
    // --config: the cameras and these settings in a TOML file
    // (serve/service_config.hpp), read again on SIGHUP; empty for none.
    std::string configFile;
    // The long names of the options the command line gave (where the file's
    // keys of the same name give way: serve/service_setup.hpp).
    std::set<std::string> given;
    std::vector<std::string> addresses;
    std::vector<int32_t> channels;  // every camera's without channels of its own; {1} when none given
    std::string listen = "127.0.0.1:9410";
    // --web.config.file: TLS and passwords for the HTTP server
    // (serve/web_security.hpp); empty for none.
    std::string webConfigFile;
    std::string intervalText = "1s";
    // How long a camera that refused the user name or password waits for the next try.
    std::string wrongPasswordPauseText = "10m";
    // --alarm-above and --alarm-below as given (serve/alarm_limits.hpp).
    AlarmArguments alarms;
    // The log's format (serve/log_format.hpp) and its least level: "" for
    // info, or warn under --quiet and debug under --verbose.
    std::string logFormatText = "human";
    std::string logLevelText;
    // --log.file: the log in this file, rotated by size (serve/log_file.hpp),
    // instead of standard error; empty for none (a Windows service's default:
    // platform/service_control.hpp). The command line's only.
    std::string logFile;
};

// Runs the service until SIGTERM or SIGINT (a console control event on
// Windows): then stops every subscription, logs out of every camera and
// returns kExitOk. With a --config file, SIGHUP (on Windows, a change of the
// file) reads it again (serve/config_reload.hpp). Exits early for bad options, no library or a port it cannot
// listen on; with a log file, saying why there too. Run as a Windows service, it
// also refuses a password file that accounts other than the service's own,
// the file's owner and the administrators may read
// (platform/password_file_access.hpp), and reports its start and stop to the
// service control manager.
int Serve(Output& out, const Tool& tool, const ServeOptions& options);

}  // namespace orvane_cli::serve
