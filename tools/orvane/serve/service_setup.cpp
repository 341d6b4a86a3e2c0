#include "serve/service_setup.hpp"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

#include "commands/argument_checks.hpp"

namespace orvane_cli::serve {
namespace {

using Problem = std::pair<std::optional<ServiceSetup>, std::string>;

Problem Refused(std::string problem) { return {std::nullopt, std::move(problem)}; }

// A limit as --alarm-above and --alarm-below take it.
std::string LimitText(const WrittenLimit& limit) {
    if (!limit) return "none";
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, *limit).ptr;
    return std::string(digits, end);
}

// The level an argument sets: what stands before its `=`.
std::string LevelOf(const std::string& argument) {
    const std::size_t equals = argument.find('=');
    return equals == std::string::npos ? "" : argument.substr(0, equals);
}

// The file's limits as arguments, then the command line's; a level the
// command line sets is the command line's alone.
AlarmArguments MergedLimits(const ConfigFile* file, const AlarmArguments& commandLine) {
    AlarmArguments merged;
    if (file != nullptr) {
        const auto add = [&](const std::optional<WrittenLimit>& limit, std::vector<std::string>& into,
                             const std::string& level) {
            if (limit) into.push_back(level + (level.empty() ? "" : "=") + LimitText(*limit));
        };
        add(file->service.alarmAbove, merged.above, "");
        add(file->service.alarmBelow, merged.below, "");
        for (const CameraEntry& camera : file->cameras) {
            add(camera.above, merged.above, camera.address);
            add(camera.below, merged.below, camera.address);
            for (const RuleEntry& rule : camera.rules) {
                const std::string level = camera.address +
                                          (rule.channel ? "/" + std::to_string(*rule.channel) : "") + "/" +
                                          std::to_string(rule.rule);
                add(rule.above, merged.above, level);
                add(rule.below, merged.below, level);
            }
        }
    }
    for (const auto& [into, given] :
         {std::pair{&merged.above, &commandLine.above}, std::pair{&merged.below, &commandLine.below}}) {
        std::set<std::string> levels;
        for (const std::string& argument : *given) levels.insert(LevelOf(argument));
        std::erase_if(*into,
                      [&](const std::string& argument) { return levels.count(LevelOf(argument)) != 0; });
        into->insert(into->end(), given->begin(), given->end());
    }
    return merged;
}

}  // namespace

std::pair<std::optional<ServiceSetup>, std::string> MakeSetup(const ServeOptions& options,
                                                              const Connection& connection,
                                                              const ConfigFile* file) {
    const auto given = [&](const char* name) { return options.given.count(name) != 0; };
    const ServiceEntries none;
    const ServiceEntries& entries = file != nullptr ? file->service : none;
    // The command line's value if given, else the file's if it has one.
    const auto pick = [&](auto& into, const char* name, const auto& fromFile) {
        if (!given(name) && fromFile) into = *fromFile;
    };

    ServiceSetup setup{options, connection, {}, {}};
    ServeOptions& o = setup.options;
    pick(o.listen, "listen", entries.listen);
    pick(o.intervalText, "interval", entries.interval);
    pick(o.wrongPasswordPauseText, "wrong-password-retry", entries.wrongPasswordRetry);
    pick(o.channels, "channel", entries.channels);
    pick(o.logFormatText, "log.format", entries.logFormat);
    pick(o.logLevelText, "log.level", entries.logLevel);
    pick(o.webConfigFile, "web.config.file", entries.webConfigFile);
    Connection& c = setup.connection;
    pick(c.port, "port", entries.port);
    pick(c.user, "user", entries.user);
    if (!given("password") && !given("password-file") && entries.passwordFile)
        c.passwordFile = *entries.passwordFile;

    const std::string listenProblem = ListenAddressProblem(o.listen);
    if (!listenProblem.empty()) return Refused(listenProblem);
    std::set<int32_t> channels;
    for (const int32_t channel : o.channels) {
        if (channel < 1) return Refused("--channel " + std::to_string(channel) + " is not a channel");
        if (!channels.insert(channel).second)
            return Refused("--channel " + std::to_string(channel) + " is named twice");
    }
    if (o.channels.empty()) o.channels = {1};

    // The command line's cameras, then the file's, each with the service's
    // settings where it has none of its own.
    std::map<std::string, std::string> named;  // address, where
    for (const std::string& address : options.addresses) {
        const std::string problem = CameraAddressProblem("--address", address);
        if (!problem.empty()) return Refused(problem);
        if (!named.emplace(address, "-a").second) return Refused(address + " is named twice");
        setup.cameras.push_back({address, c.port, c.user, "", o.channels, ""});
    }
    if (file != nullptr) {
        for (const CameraEntry& entry : file->cameras) {
            if (const auto [at, added] = named.emplace(entry.address, entry.where); !added)
                return Refused(entry.where + ": " + entry.address +
                               " is named twice (with -a and in the file)");
            CameraSetup camera{entry.address,
                               entry.port.value_or(c.port),
                               entry.user.value_or(c.user),
                               entry.passwordFile.value_or(""),
                               entry.channels.value_or(o.channels),
                               entry.where};
            for (const RuleEntry& rule : entry.rules) {
                if (rule.channel && std::find(camera.channels.begin(), camera.channels.end(),
                                              *rule.channel) == camera.channels.end())
                    return Refused(rule.channelWhere + ": channel " + std::to_string(*rule.channel) +
                                   " is not watched on " + camera.address);
            }
            setup.cameras.push_back(std::move(camera));
        }
    }
    if (setup.cameras.empty())
        return Refused(file != nullptr
                           ? file->path + ": no [[camera]] in the file, and no -a ADDRESS"
                           : "no camera address: give -a ADDRESS, once per camera, or --config FILE");

    Watched watched;
    for (const CameraSetup& camera : setup.cameras) watched.cameras[camera.address] = camera.channels;
    auto [alarms, problem] = AlarmLimits::Read(MergedLimits(file, options.alarms), watched);
    if (!problem.empty()) return Refused(std::move(problem));
    setup.alarms = std::move(alarms);
    return {std::move(setup), ""};
}

}  // namespace orvane_cli::serve
