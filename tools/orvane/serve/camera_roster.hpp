// The cameras orvane serve watches, made from its setup's list
// (serve/service_setup.hpp): a watch each, handed to the fleet and named to
// the state store. A new list (a reload of the --config file) adds the
// cameras it adds; ends those it drops (their subscriptions stopped and their
// logins ended, on a worker, and their series and history gone); and restarts
// those whose port, user, password file or channels changed (ended, then
// logged in to again with the new settings). Every other camera keeps its
// watch: its login, subscriptions, counters and history.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "serve/service_log.hpp"
#include "serve/service_setup.hpp"
#include "serve/state_store.hpp"
#include "watch/fleet_watch.hpp"

namespace orvane_cli::serve {

class CameraRoster {
public:
    // `servicePassword`: the password of the cameras without a file of their own.
    CameraRoster(const WatchSettings& settings, std::shared_ptr<PasswordSource> servicePassword,
                 FleetWatch& fleet, StateStore& store, ServiceLog& log);

    // Why `cameras` cannot be watched: a camera's own password file that cannot
    // be read, or a camera without one while the service has no password
    // (`servicePassword` false). Empty when they can.
    static std::string Problem(const std::vector<CameraSetup>& cameras, bool servicePassword);

    struct Changes {
        int added = 0, removed = 0, restarted = 0;
    };
    // Watches `cameras` from now on; between the fleet's rounds. Each change is
    // logged, naming `source` (the file) as its cause.
    Changes Apply(const std::vector<CameraSetup>& cameras, const std::string& source);

private:
    struct Entry {
        std::size_t key;
        CameraSetup setup;
        std::shared_ptr<CameraWatch> watch;
    };
    Entry Watch(const CameraSetup& setup);
    void Retire(const Entry& entry);

    const WatchSettings& settings_;
    std::shared_ptr<PasswordSource> servicePassword_;
    FleetWatch& fleet_;
    StateStore& store_;
    ServiceLog& log_;
    std::vector<Entry> entries_;  // in the setup's order
    std::size_t nextKey_ = 0;
    // The cameras' own password files, one source each however many share it.
    std::map<std::string, std::shared_ptr<PasswordSource>> ownPasswords_;
};

// Ends a camera's watch as the service does at its end and for a camera
// dropped from the file: its subscriptions stopped and its login ended, logged.
void EndWatch(CameraWatch& camera, ServiceLog& log);

}  // namespace orvane_cli::serve
