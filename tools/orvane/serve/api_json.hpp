// The JSON documents of /api/cameras and /api/history.
#pragma once

#include <optional>
#include <string>

#include "serve/history.hpp"
#include "serve/service_state.hpp"

namespace orvane_cli::serve {

// Every camera, channel and rule of the snapshot, with the thresholds.
std::string CamerasJson(const ServiceSnapshot& snapshot);

// The samples of the last History::kSeconds before `now`, oldest first, of
// every series or only those of `camera`.
std::string HistoryJson(const History& history, double now, const std::optional<std::string>& camera);

}  // namespace orvane_cli::serve
