// The one simulated camera behind the stand-in SDK, and its call journal and scripts.
#pragma once

#include <atomic>

#include "call_delays.hpp"
#include "journal.hpp"
#include "logins.hpp"
#include "ptz_head.hpp"
#include "remote_configs.hpp"
#include "scripts.hpp"
#include "sim_clock.hpp"

namespace standin {

struct Camera {
    std::atomic<bool> initialised{false};
    Journal journal;
    Scripts scripts;
    Logins logins;
    SimClock clock;
    PtzHead ptz{clock};
    RemoteConfigs remoteConfigs;
    CallDelays delays;

    void reset();
};

// The process-wide camera, usable from the first SDK call to process exit.
Camera& camera();

}  // namespace standin
