// What orvane serve runs with: its command line and its --config file
// (serve/service_config.hpp) made into one setup. An option given on the
// command line wins over the file's key of the same name (--port and --user
// count as given when set through ORVANE_PORT and ORVANE_USER), and the file's
// keys over the defaults. A camera's own port, user, password_file and
// channels win over the service's; a camera given with -a has the service's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands/tool.hpp"
#include "serve/alarm_limits.hpp"
#include "serve/serve.hpp"
#include "serve/service_config.hpp"

namespace orvane_cli::serve {

// One camera as the service watches it.
struct CameraSetup {
    std::string address;
    int32_t port = 8000;
    std::string user;
    std::string passwordFile;  // its own; empty: the service's password
    std::vector<int32_t> channels;
    std::string where;  // its [[camera]] table's place in the file; empty for -a

    // Whether the camera is logged in to and subscribed the same way.
    bool SameLogin(const CameraSetup& other) const {
        return address == other.address && port == other.port && user == other.user &&
               passwordFile == other.passwordFile && channels == other.channels;
    }
};

struct ServiceSetup {
    // The options in effect: the command line's, with the file's and the
    // defaults where the command line gave none (the service's channels are
    // never empty here).
    ServeOptions options;
    Connection connection;             // the service's port, user and password file
    std::vector<CameraSetup> cameras;  // those given with -a first, then the file's
    AlarmLimits alarms;
};

// The setup of `options` and `connection` (the command line, whose
// options.given names what it set) and `file` (none without --config); or
// the problem: a camera address that is not one, or given twice (with -a and
// in the file too), no camera at all, a limit for a rule of a channel its
// camera does not watch, and what AlarmLimits refuses.
std::pair<std::optional<ServiceSetup>, std::string> MakeSetup(const ServeOptions& options,
                                                              const Connection& connection,
                                                              const ConfigFile* file);

}  // namespace orvane_cli::serve
