#include "serve/service_config.hpp"

// toml++ (Debian's header-only libtomlplusplus-dev), built into this file
// alone; its failures come back as a result, not as exceptions.
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <sstream>

#include "clock/duration.hpp"
#include "commands/argument_checks.hpp"
#include "serve/log_format.hpp"

namespace orvane_cli::serve {
namespace {

// Thrown inside the reading, caught at its top: the first problem ends it.
struct Refusal {
    std::string message;
};

class Reader {
public:
    explicit Reader(std::string path) : path_(std::move(path)) {}

    std::string Where(const toml::source_region& at) const {
        return path_ + ":" + std::to_string(at.begin.line) + ":" + std::to_string(at.begin.column);
    }
    [[noreturn]] void Refuse(const toml::source_region& at, const std::string& what) const {
        throw Refusal{Where(at) + ": " + what};
    }

    // Each key of `table` handed to its handler; a key without one is refused.
    using Handlers = std::map<std::string, std::function<void(const toml::node&)>, std::less<>>;
    void Walk(const toml::table& table, const std::string& prefix, const Handlers& handlers) const {
        for (auto&& [key, node] : table) {
            const auto found = handlers.find(key.str());
            if (found == handlers.end())
                Refuse(key.source(), "unknown key " + prefix + std::string(key.str()));
            found->second(node);
        }
    }
    const toml::table& Table(const toml::node& node, const std::string& name) const {
        if (const toml::table* table = node.as_table()) return *table;
        Refuse(node.source(), name + " must be a table");
    }

    std::string Text(const toml::node& node, const std::string& name) const {
        const auto* text = node.as_string();
        if (text == nullptr || text->get().empty())
            Refuse(node.source(), name + " must be a text, not empty");
        return text->get();
    }
    int32_t Integer(const toml::node& node, const std::string& name, int64_t lowest, int64_t highest) const {
        const auto* number = node.as_integer();
        if (number == nullptr || number->get() < lowest || number->get() > highest) {
            Refuse(node.source(), name + " must be a whole number from " + std::to_string(lowest) + " to " +
                                      std::to_string(highest));
        }
        return static_cast<int32_t>(number->get());
    }
    std::string Duration(const toml::node& node, const std::string& name) const {
        std::string text = Text(node, name);
        if (!ParseDuration(text)) {
            Refuse(node.source(), name + " must be a positive duration up to " +
                                      std::string(kLongestDurationText) +
                                      " such as \"1.5s\", \"200ms\" or \"10m\"");
        }
        return text;
    }
    WrittenLimit Limit(const toml::node& node, const std::string& name) const {
        if (const auto* text = node.as_string(); text != nullptr && text->get() == "none")
            return std::nullopt;
        std::optional<double> value;
        if (const auto* number = node.as_integer()) value = static_cast<double>(number->get());
        if (const auto* number = node.as_floating_point()) value = number->get();
        if (!value || !std::isfinite(*value))
            Refuse(node.source(), name + " must be a number of degrees Celsius or \"none\"");
        return value;
    }
    std::vector<int32_t> Channels(const toml::node& node, const std::string& name) const {
        const toml::array* array = node.as_array();
        if (array == nullptr || array->empty())
            Refuse(node.source(), name + " must be a list of channels, as [1, 2]");
        std::vector<int32_t> channels;
        for (const toml::node& element : *array) {
            const int32_t channel = Integer(element, "a channel", 1, std::numeric_limits<int32_t>::max());
            if (std::find(channels.begin(), channels.end(), channel) != channels.end())
                Refuse(element.source(), "channel " + std::to_string(channel) + " is named twice");
            channels.push_back(channel);
        }
        return channels;
    }

    void Service(const toml::table& top, ConfigFile& file) const {
        ServiceEntries& s = file.service;
        const toml::node* listenAt = nullptr;
        const auto listen = [&](const toml::node& node) {
            if (listenAt != nullptr)
                Refuse(node.source(), "listen and web.listen-address name the same setting");
            listenAt = &node;
            s.listen = Text(node, "listen");
            if (const std::string problem = ListenAddressProblem(*s.listen); !problem.empty())
                Refuse(node.source(), problem);
        };
        const auto limit = [this](std::optional<WrittenLimit>& into, const char* name) {
            return [this, &into, name](const toml::node& node) { into = Limit(node, name); };
        };
        const auto text = [this](std::optional<std::string>& into, const char* name) {
            return [this, &into, name](const toml::node& node) { into = Text(node, name); };
        };
        const auto duration = [this](std::optional<std::string>& into, const char* name) {
            return [this, &into, name](const toml::node& node) { into = Duration(node, name); };
        };
        Walk(top, "",
             {{"listen", listen},
              {"interval", duration(s.interval, "interval")},
              {"wrong-password-retry", duration(s.wrongPasswordRetry, "wrong-password-retry")},
              {"alarm-above", limit(s.alarmAbove, "alarm-above")},
              {"alarm-below", limit(s.alarmBelow, "alarm-below")},
              {"channel", [&](const toml::node& node) { s.channels = Channels(node, "channel"); }},
              {"port", [&](const toml::node& node) { s.port = Integer(node, "port", 1, 65535); }},
              {"user", text(s.user, "user")},
              {"password-file", text(s.passwordFile, "password-file")},
              {"log",
               [&](const toml::node& node) {
                   Walk(Table(node, "log"), "log.",
                        {{"format",
                          [&](const toml::node& value) {
                              s.logFormat = Text(value, "log.format");
                              if (!ParseLogFormat(*s.logFormat))
                                  Refuse(value.source(),
                                         "log.format must be \"human\", \"logfmt\" or \"json\"");
                          }},
                         {"level", [&](const toml::node& value) {
                              s.logLevel = Text(value, "log.level");
                              if (!ParseLogLevel(*s.logLevel))
                                  Refuse(value.source(),
                                         "log.level must be \"debug\", \"info\", \"warn\" or \"error\"");
                          }}});
               }},
              {"web",
               [&](const toml::node& node) {
                   Walk(Table(node, "web"), "web.",
                        {{"listen-address", listen},
                         {"config", [&](const toml::node& value) {
                              Walk(Table(value, "web.config"), "web.config.",
                                   {{"file", text(s.webConfigFile, "web.config.file")}});
                          }}});
               }},
              {"camera", [&](const toml::node& node) { Cameras(node, file); }}});
    }

    void Cameras(const toml::node& node, ConfigFile& file) const {
        const toml::array* array = node.as_array();
        if (array == nullptr) Refuse(node.source(), "camera must be [[camera]] tables");
        std::map<std::string, std::string> seen;  // address, where
        for (const toml::node& element : *array) {
            const toml::table& table = Table(element, "[[camera]]");
            CameraEntry camera;
            camera.where = Where(table.source());
            Walk(table, "camera.",
                 {{"address",
                   [&](const toml::node& value) {
                       camera.address = Text(value, "address");
                       if (const std::string problem = CameraAddressProblem("address", camera.address);
                           !problem.empty())
                           Refuse(value.source(), problem);
                       if (const auto [at, added] = seen.emplace(camera.address, Where(value.source()));
                           !added)
                           Refuse(value.source(),
                                  camera.address + " is named twice (first at " + at->second + ")");
                   }},
                  {"port", [&](const toml::node& value) { camera.port = Integer(value, "port", 1, 65535); }},
                  {"user", [&](const toml::node& value) { camera.user = Text(value, "user"); }},
                  {"password_file",
                   [&](const toml::node& value) { camera.passwordFile = Text(value, "password_file"); }},
                  {"channels",
                   [&](const toml::node& value) { camera.channels = Channels(value, "channels"); }},
                  {"alarm_above",
                   [&](const toml::node& value) { camera.above = Limit(value, "alarm_above"); }},
                  {"alarm_below",
                   [&](const toml::node& value) { camera.below = Limit(value, "alarm_below"); }},
                  {"rule", [&](const toml::node& value) { Rules(value, camera); }}});
            if (camera.address.empty()) Refuse(table.source(), "a [[camera]] without its address");
            file.cameras.push_back(std::move(camera));
        }
    }

    void Rules(const toml::node& node, CameraEntry& camera) const {
        const toml::array* array = node.as_array();
        if (array == nullptr) Refuse(node.source(), "rule must be [[camera.rule]] tables");
        std::set<std::pair<int32_t, int32_t>> seen;  // channel (0: every one), rule
        for (const toml::node& element : *array) {
            const toml::table& table = Table(element, "[[camera.rule]]");
            RuleEntry rule;
            rule.rule = -1;
            rule.where = Where(table.source());
            Walk(table, "camera.rule.",
                 {{"rule", [&](const toml::node& value) { rule.rule = Integer(value, "rule", 0, 255); }},
                  {"channel",
                   [&](const toml::node& value) {
                       rule.channel = Integer(value, "channel", 1, std::numeric_limits<int32_t>::max());
                       rule.channelWhere = Where(value.source());
                   }},
                  {"alarm_above", [&](const toml::node& value) { rule.above = Limit(value, "alarm_above"); }},
                  {"alarm_below",
                   [&](const toml::node& value) { rule.below = Limit(value, "alarm_below"); }}});
            if (rule.rule < 0) Refuse(table.source(), "a [[camera.rule]] without its rule (an ID, 0 to 255)");
            if (!seen.emplace(rule.channel.value_or(0), rule.rule).second)
                Refuse(table.source(), "rule " + std::to_string(rule.rule) + " is given twice");
            camera.rules.push_back(std::move(rule));
        }
    }

private:
    std::string path_;
};

}  // namespace

std::pair<std::optional<ConfigFile>, std::string> ParseConfig(std::string_view text,
                                                              const std::string& path) {
    const toml::parse_result parsed = toml::parse(text, path);
    if (!parsed) {
        const toml::parse_error& error = parsed.error();
        return {std::nullopt, path + ":" + std::to_string(error.source().begin.line) + ":" +
                                  std::to_string(error.source().begin.column) + ": " +
                                  std::string(error.description())};
    }
    ConfigFile file;
    file.path = path;
    try {
        Reader(path).Service(parsed.table(), file);
    } catch (const Refusal& refusal) {
        return {std::nullopt, refusal.message};
    }
    return {std::move(file), ""};
}

std::pair<std::optional<ConfigFile>, std::string> ReadConfigFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in || in.bad()) return {std::nullopt, path + ": cannot be read"};
    return ParseConfig(text.str(), path);
}

}  // namespace orvane_cli::serve
