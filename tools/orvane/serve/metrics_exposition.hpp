// The Prometheus exposition of a snapshot: one family per quantity, each with
// HELP and TYPE, base units in the names, in the text format 0.0.4 or, for a
// scraper that asks for it, OpenMetrics 1.0 (counters' families without their
// _total, _created where the start of counting is known, # EOF at the end).
#pragma once

#include <string>
#include <string_view>

#include "serve/process_metrics.hpp"
#include "serve/service_state.hpp"

namespace orvane_cli::serve {

enum class MetricsFormat { kText, kOpenMetrics };

inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";
inline constexpr const char* kOpenMetricsContentType =
    "application/openmetrics-text; version=1.0.0; charset=utf-8";

std::string MetricsText(const ServiceSnapshot& snapshot, const ProcessMetrics& process,
                        MetricsFormat format = MetricsFormat::kText);

// The format an Accept header asks for: OpenMetrics when it ranks
// application/openmetrics-text (version 1.0.0, or none named) above
// text/plain, the text format otherwise.
MetricsFormat MetricsFormatFor(std::string_view accept);

}  // namespace orvane_cli::serve
