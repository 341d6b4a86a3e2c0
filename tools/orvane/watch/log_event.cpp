#include "watch/log_event.hpp"

#include <array>

namespace orvane_cli {
namespace {

constexpr std::array<std::string_view, 4> kNames = {"debug", "info", "warn", "error"};

}  // namespace

std::string_view LogLevelName(LogLevel level) { return kNames.at(static_cast<std::size_t>(level)); }

std::optional<LogLevel> ParseLogLevel(std::string_view name) {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) return static_cast<LogLevel>(i);
    }
    return std::nullopt;
}

}  // namespace orvane_cli
