#include "serve/alarm_limits.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <tuple>

#include "commands/argument_checks.hpp"

namespace orvane_cli::serve {
namespace {

constexpr int32_t kEveryChannel = 0;

// Degrees Celsius, or `none`: an empty limit. Nothing for anything else.
std::optional<std::optional<double>> ReadCelsius(std::string_view text) {
    if (text == "none") return std::optional<double>();
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return std::optional<double>(value);
}

// Decimal digits from `lowest` to `highest`, or nothing.
std::optional<int32_t> ReadNumber(std::string_view text, int32_t lowest, int32_t highest) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '-' || error != std::errc() || end != text.data() + text.size() ||
        value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// An argument or a part of one as a message names it.
std::string Named(std::string_view text) { return text.empty() ? "''" : ShownArgument(std::string(text)); }

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) return parts;
        text.remove_prefix(at + 1);
    }
}

}  // namespace

Watched::Watched(const std::vector<std::string>& addresses, const std::vector<int32_t>& channels) {
    for (const std::string& address : addresses) cameras[address] = channels;
}

AlarmLimits::AlarmLimits() { above_.everywhere = kDefaultAlarmAboveCelsius; }

std::pair<AlarmLimits, std::string> AlarmLimits::Read(const AlarmArguments& arguments,
                                                      const Watched& watched) {
    AlarmLimits limits;
    for (const auto& [levels, option, given] :
         {std::tuple{&limits.above_, "--alarm-above", &arguments.above},
          std::tuple{&limits.below_, "--alarm-below", &arguments.below}}) {
        for (const std::string& argument : *given) {
            std::string problem = levels->Add(option, argument, watched);
            if (!problem.empty()) return {AlarmLimits(), std::move(problem)};
        }
    }
    return {std::move(limits), ""};
}

std::string AlarmLimits::Levels::Add(const std::string& option, const std::string& argument,
                                     const Watched& watched) {
    const std::string named = option + " " + Named(argument);
    const std::size_t equals = argument.find('=');
    const auto celsius = ReadCelsius(equals == std::string::npos ? argument : argument.substr(equals + 1));
    if (!celsius) {
        return named +
               ": not C, CAMERA=C, CAMERA/RULE=C or CAMERA/CHANNEL/RULE=C with C a number of degrees Celsius "
               "or none";
    }
    if (equals == std::string::npos) {
        if (everywhereGiven) return named + ": a limit for every camera is given twice";
        everywhereGiven = true;
        everywhere = *celsius;
        return "";
    }
    const std::vector<std::string_view> key = Split(std::string_view(argument).substr(0, equals), '/');
    if (key.size() > 3) return named + ": not CAMERA, CAMERA/RULE or CAMERA/CHANNEL/RULE before the =";
    const std::string camera(key.front());
    const auto found = watched.cameras.find(camera);
    if (found == watched.cameras.end())
        return named + ": " + Named(camera) + " is not a camera given with -a or in the --config file";
    const std::vector<int32_t>& channels = found->second;
    CameraLevels& levels = cameras[camera];
    if (key.size() == 1) {
        if (levels.camera) return named + ": a limit for " + camera + " is given twice";
        levels.camera = *celsius;
        return "";
    }
    // Rule IDs are the library's, 0 to 255.
    const auto rule = ReadNumber(key.back(), 0, 255);
    if (!rule) return named + ": " + Named(key.back()) + " is not a rule ID (0 to 255)";
    int32_t channel = kEveryChannel;
    if (key.size() == 3) {
        const auto number = ReadNumber(key[1], 1, std::numeric_limits<int32_t>::max());
        if (!number) return named + ": " + Named(key[1]) + " is not a channel";
        if (std::find(channels.begin(), channels.end(), *number) == channels.end())
            return named + ": channel " + std::to_string(*number) + " is not watched on " + camera +
                   " (give it with -c or in the camera's channels)";
        channel = *number;
    }
    if (!levels.rules.emplace(std::pair(channel, *rule), *celsius).second) {
        return named + ": a limit for " + camera +
               (channel == kEveryChannel ? "" : "/" + std::to_string(channel)) + "/" + std::to_string(*rule) +
               " is given twice";
    }
    return "";
}

std::optional<double> AlarmLimits::Levels::Find(std::string_view camera, int32_t channel,
                                                int32_t rule) const {
    if (cameras.empty()) return everywhere;
    const auto found = cameras.find(camera);
    if (found == cameras.end()) return everywhere;
    const CameraLevels& levels = found->second;
    for (const int32_t level : {channel, kEveryChannel}) {
        const auto limit = levels.rules.find({level, rule});
        if (limit != levels.rules.end()) return limit->second;
    }
    return levels.camera ? *levels.camera : everywhere;
}

RuleLimits AlarmLimits::For(std::string_view camera, int32_t channel, int32_t rule) const {
    return {above_.Find(camera, channel, rule), below_.Find(camera, channel, rule)};
}

}  // namespace orvane_cli::serve
