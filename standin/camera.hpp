// The simulated cameras behind the stand-in SDK, and its call journal and scripts.
#pragma once

#include <atomic>

#include "call_delays.hpp"
#include "journal.hpp"
#include "logins.hpp"
#include "ptz_head.hpp"
#include "remote_configs.hpp"
#include "scripts.hpp"
#include "sim_clock.hpp"
#include "site_cameras.hpp"

namespace standin {

struct Camera {
    std::atomic<bool> initialised{false};
    Journal journal;
    Scripts scripts;
    Logins logins;
    SimClock clock;
    SiteCameras site{clock};
    // The default camera's head, which the control interface steers.
    PtzHead& ptz{site.head(SiteCameras::kDefaultHost)};
    RemoteConfigs remoteConfigs;
    CallDelays delays;

    // The traits and head of the camera a login belongs to (the default camera's
    // for a user ID that is not logged in).
    CameraTraits traitsOf(int32_t userId) const;
    PtzHead& headOf(int32_t userId);

    void reset();
};

// The process-wide camera, usable from the first SDK call to process exit.
Camera& camera();

}  // namespace standin
