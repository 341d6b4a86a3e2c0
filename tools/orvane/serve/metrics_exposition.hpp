// The Prometheus text exposition (format 0.0.4) of a snapshot: one family per
// quantity, each with HELP and TYPE, base units in the names.
#pragma once

#include <string>

#include "serve/process_metrics.hpp"
#include "serve/service_state.hpp"

namespace orvane_cli::serve {

inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

std::string MetricsText(const ServiceSnapshot& snapshot, const ProcessMetrics& process);

}  // namespace orvane_cli::serve
