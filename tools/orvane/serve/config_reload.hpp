// Reading orvane serve's --config file again while it runs, when asked
// (platform/reload_request.hpp: SIGHUP, or on Windows a change of the file),
// between two rounds of the poll. The file is made into a setup with the
// command line as at the start (serve/service_setup.hpp):
//   - a file that cannot be read, does not parse or is refused is logged with
//     its line, and the configuration in use stays as it is;
//   - a good one takes effect at once for the cameras (serve/camera_roster.hpp),
//     the interval, the wrong-password pause, the alarm limits and the
//     service's password file (removing that key keeps the password in use);
//     what cannot change while the service runs (where it listens, its log,
//     which web configuration file it reads: that file itself is read again
//     when it changes) is logged as needing a restart and otherwise left as it is.
// Either way the state store hears how it went, for /metrics
// (orvane_config_last_reload_successful and its success's time).
#pragma once

#include <memory>
#include <string>

#include "platform/reload_request.hpp"
#include "serve/camera_roster.hpp"
#include "serve/service_log.hpp"
#include "serve/service_setup.hpp"
#include "serve/state_store.hpp"
#include "watch/camera_watch.hpp"

namespace orvane_cli::serve {

class ConfigReload {
public:
    // `setup`: the one in use, made of `commandLine` (the options as given,
    // with `connection`) and the file. `servicePassword` holds the password of
    // the cameras without their own file; `passwordKnown` whether there is one.
    ConfigReload(ServiceSetup setup, const ServeOptions& commandLine, const Connection& connection,
                 WatchSettings& settings, PasswordSource& servicePassword, bool passwordKnown,
                 CameraRoster& roster, StateStore& store, ServiceLog& log);

    // Reads the file again if that was asked for since the last call.
    void OnRequest();
    // Reads the file again now; true when the new configuration is in use.
    bool Reload();

private:
    // Why the setup cannot be put in place (the service's password file
    // unreadable, a camera without a password); empty when it can.
    std::string Problem(const ServiceSetup& next);
    void Refused(const std::string& problem);

    ServiceSetup setup_;
    const ServeOptions& commandLine_;
    const Connection& connection_;
    WatchSettings& settings_;
    PasswordSource& servicePassword_;
    bool passwordKnown_;
    CameraRoster& roster_;
    StateStore& store_;
    ServiceLog& log_;
    platform::ReloadRequests requests_;
    double lastSuccess_;
};

}  // namespace orvane_cli::serve
