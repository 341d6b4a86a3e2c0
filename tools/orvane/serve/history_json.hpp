// The /api/history document, written straight into one string: at hundreds
// of cameras it holds hundreds of thousands of samples, and a tree of JSON
// values for it would take several times the memory of the text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "serve/history.hpp"

namespace orvane_cli::serve {

class HistoryJsonWriter {
public:
    // `seconds`: the window the history covers, ending at `now`; only samples
    // inside it, and after `since` when given, are written.
    HistoryJsonWriter(double seconds, double now, std::optional<double> since);

    // One series; `samples` oldest first.
    void Series(const std::string& camera, int32_t channel, int32_t rule, int32_t type,
                const std::vector<HistorySample>& samples);
    // The document; the writer is spent.
    std::string Finish();

private:
    double from_;
    std::optional<double> since_;
    bool first_ = true;
    std::string text_;
};

// The document of the whole `history` (or what `query` asks), at `now`.
std::string HistoryJson(const History& history, double now, const HistoryQuery& query);

}  // namespace orvane_cli::serve
