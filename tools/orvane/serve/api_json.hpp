// The JSON document of /api/cameras.
#pragma once

#include <optional>
#include <string>

#include "serve/service_state.hpp"

namespace orvane_cli::serve {

// Every camera, channel and rule of the snapshot; each rule with the alarm
// limits in effect for it and its alarm, and the limits of every rule that no
// narrower one names.
std::string CamerasJson(const ServiceSnapshot& snapshot);

}  // namespace orvane_cli::serve
