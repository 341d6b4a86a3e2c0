// What thermo record is asked to do: its cameras, files, thresholds and timing.
#pragma once

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "clock/duration.hpp"
#include "render/recording_file.hpp"

namespace orvane_cli {

struct RecordOptions {
    std::vector<std::string> addressWords;  // given as words after "record"
    std::vector<std::string> addresses;     // given with -a
    std::vector<int32_t> channels;
    std::string durationText = "0";  // 0: until Ctrl+C
    std::string intervalText = "1s";
    std::string csv;
    std::string plot;
    bool force = false;
    bool append = false;
    double alarmAbove = 0;
    double alarmBelow = 0;
    CLI::Option* alarmAboveOption = nullptr;
    CLI::Option* alarmBelowOption = nullptr;
    std::vector<int32_t> rules;  // only these; all when empty

    std::optional<double> Above() const {
        return alarmAboveOption->count() != 0 ? std::optional<double>(alarmAbove) : std::nullopt;
    }
    std::optional<double> Below() const {
        return alarmBelowOption->count() != 0 ? std::optional<double>(alarmBelow) : std::nullopt;
    }
    // The duration, or nothing for a recording until Ctrl+C.
    std::optional<Milliseconds> Duration() const { return ParseDuration(durationText); }
    bool Keeps(int32_t rule) const {
        return rules.empty() || std::count(rules.begin(), rules.end(), rule) != 0;
    }

    ExistingFile policy() const {
        return force ? ExistingFile::kOverwrite : append ? ExistingFile::kAppend : ExistingFile::kRefuse;
    }
};

}  // namespace orvane_cli
