#include "serve/api_json.hpp"

#include <cmath>
#include <nlohmann/json.hpp>

namespace orvane_cli::serve {
namespace {

using json = nlohmann::ordered_json;

// °C to two decimals, or null for a value the rule does not have (or that is not a number).
json Celsius(float value, bool present = true) {
    if (!present || !std::isfinite(value)) return nullptr;
    return std::round(static_cast<double>(value) * 100) / 100;
}

template <typename T>
json OrNull(const std::optional<T>& value) {
    return value ? json(*value) : json(nullptr);
}

json RuleJson(const RuleView& r, const CameraView& c, const ChannelView& ch, const ServiceSnapshot& s,
              CameraTimes& times) {
    const Measurement& m = r.reading;
    const bool point = m.IsPoint();
    const RuleLimits limits = s.alarms->For(c.camera, ch.channel, m.rule);
    // A stale reading's age is its channel's: how long no data has come.
    const json age = r.current ? json(0) : OrNull(ch.secondsSinceData);
    return {{"rule", m.rule},
            {"current", r.current},
            {"age_seconds", age},
            {"type", RuleTypeName(m.type)},
            {"preset", m.preset},
            {"camera_time", IsoDateTime(m.date, m.time)},
            {"timestamp_seconds", OrNull(times.AsUnix(m))},
            {"point_celsius", Celsius(m.point, point)},
            {"max_celsius", Celsius(m.max, !point)},
            {"min_celsius", Celsius(m.min, !point)},
            {"avg_celsius", Celsius(m.avg, !point)},
            {"alarm_above_celsius", OrNull(limits.above)},
            {"alarm_below_celsius", OrNull(limits.below)},
            {"alarm", r.current ? OrNull(AlarmOf(m, limits.above, limits.below)) : json(nullptr)}};
}

json ChannelJson(const CameraView& c, const ChannelView& ch, const ServiceSnapshot& s, CameraTimes& times) {
    json rules = json::array();
    for (const RuleView& r : ch.rules) rules.push_back(RuleJson(r, c, ch, s, times));
    return {{"channel", ch.channel},
            {"state", ch.state},
            {"health", ch.health},
            {"camera_code", ch.cameraCode},
            {"data_events_total", ch.dataEventsTotal},
            {"seconds_since_data", OrNull(ch.secondsSinceData)},
            {"last_data_timestamp_seconds", OrNull(ch.lastDataUnixSeconds)},
            {"seconds_without_data", ch.secondsWithoutData},
            {"restarts_total", ch.restartsTotal},
            {"rules", std::move(rules)}};
}

json CameraJson(const CameraView& c, const ServiceSnapshot& s, CameraTimes& times) {
    int64_t failures = 0;
    for (const auto& [code, count] : c.loginFailures) failures += count;
    json channels = json::array();
    for (const ChannelView& ch : c.channels) channels.push_back(ChannelJson(c, ch, s, times));
    json lastFailure = nullptr;
    if (c.lastFailure) {
        lastFailure = {{"code", c.lastFailure->code},
                       {"english", c.lastFailure->english},
                       {"text", c.lastFailure->text}};
    }
    return {{"camera", c.camera},
            {"up", c.up},
            {"state", LoginStateName(c.login)},
            {"silence_limit_seconds", c.silenceLimitSeconds},
            {"logins_total", c.loginsTotal},
            {"login_failures_total", failures},
            {"last_failure", std::move(lastFailure)},
            {"channels", std::move(channels)}};
}

// Texts from a camera or the library are meant to be UTF-8; a stray byte must
// not make the whole document fail.
std::string Dump(const json& document) {
    return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string CamerasJson(const ServiceSnapshot& s) {
    json cameras = json::array();
    CameraTimes times;
    for (const CameraView& c : s.cameras) cameras.push_back(CameraJson(c, s, times));
    const RuleLimits everywhere = s.alarms->Everywhere();
    return Dump({{"version", s.version},
                 {"time", s.time},
                 {"interval_seconds", s.intervalSeconds},
                 {"alarm_above_celsius", OrNull(everywhere.above)},
                 {"alarm_below_celsius", OrNull(everywhere.below)},
                 {"cameras", std::move(cameras)}});
}

}  // namespace orvane_cli::serve
