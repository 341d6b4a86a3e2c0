// orvane serve's --config file: the cameras and the service's settings in one
// TOML file, read at the start and again at each reload. The service's
// settings go under their options' long names at the top (listen, interval,
// wrong-password-retry, alarm-above, alarm-below, channel, port, user,
// password-file, log.format, log.level, web.listen-address, web.config.file);
// each camera is a [[camera]] table
// (address, port, user, password_file, channels, alarm_above, alarm_below),
// with a [[camera.rule]] table (rule, channel, alarm_above, alarm_below) for
// a rule's own limits. Only what the file says is kept here: what the command
// line and the defaults add is serve/service_setup.hpp's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane_cli::serve {

// A limit as written: degrees Celsius, or empty for `none` (no limit).
using WrittenLimit = std::optional<double>;

// Each entry keeps where it stands ("FILE:LINE:COLUMN") for what is refused later.
struct RuleEntry {
    int32_t rule = 0;
    std::optional<int32_t> channel;  // none: the rule on every channel of the camera
    std::string channelWhere;
    std::optional<WrittenLimit> above, below;
    std::string where;
};

struct CameraEntry {
    std::string address;
    std::optional<int32_t> port;
    std::optional<std::string> user, passwordFile;
    std::optional<std::vector<int32_t>> channels;
    std::optional<WrittenLimit> above, below;
    std::vector<RuleEntry> rules;
    std::string where;  // its [[camera]] line
};

struct ServiceEntries {
    std::optional<std::string> listen, interval, wrongPasswordRetry, user, passwordFile, logFormat, logLevel,
        webConfigFile;
    std::optional<int32_t> port;
    std::optional<std::vector<int32_t>> channels;
    std::optional<WrittenLimit> alarmAbove, alarmBelow;
};

struct ConfigFile {
    std::string path;
    ServiceEntries service;
    std::vector<CameraEntry> cameras;  // in the file's order
};

// The file's text read and checked: a file that is not TOML, an unknown key, a
// value of the wrong type or out of range, a camera without an address, and an
// address given twice are refused with "PATH:LINE:COLUMN: what" (the problem
// is the second of the pair; the file is empty then).
std::pair<std::optional<ConfigFile>, std::string> ParseConfig(std::string_view text, const std::string& path);
// The same for the file at `path`; one that cannot be read is refused too.
std::pair<std::optional<ConfigFile>, std::string> ReadConfigFile(const std::string& path);

}  // namespace orvane_cli::serve
