// The JSON document of /api/cameras.
#pragma once

#include <optional>
#include <string>

#include "serve/service_state.hpp"

namespace orvane_cli::serve {

// Every camera, channel and rule of the snapshot, with the thresholds.
std::string CamerasJson(const ServiceSnapshot& snapshot);

}  // namespace orvane_cli::serve
