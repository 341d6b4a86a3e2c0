#include "serve/log_format.hpp"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace orvane_cli::serve {
namespace {

// A logfmt value: bare when it is a plain word, else quoted with \ " and
// control characters escaped, so that one event stays one line.
std::string LogfmtValue(std::string_view value) {
    bool bare = !value.empty();
    for (const char c : value) bare = bare && c > ' ' && c != '"' && c != '=' && c != '\\' && c != 0x7f;
    if (bare) return std::string(value);
    std::string quoted = "\"";
    for (const char c : value) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < ' ' || c == 0x7f) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\u%04x",
                                  static_cast<unsigned>(static_cast<unsigned char>(c)));
                    quoted += hex;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

}  // namespace

std::optional<LogFormat> ParseLogFormat(std::string_view name) {
    if (name == "human") return LogFormat::kHuman;
    if (name == "logfmt") return LogFormat::kLogfmt;
    if (name == "json") return LogFormat::kJson;
    return std::nullopt;
}

std::string Rfc3339Utc(double unixSeconds) {
    using namespace std::chrono;
    const auto ms = milliseconds(static_cast<int64_t>(std::floor(unixSeconds * 1000)));
    const sys_days day = floor<days>(sys_time<milliseconds>(ms));
    const year_month_day date(day);
    const hh_mm_ss clock(ms - day.time_since_epoch());
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
    return text;
}

std::string FormatLogLine(const LogEvent& event, LogFormat format, double time) {
    switch (format) {
        case LogFormat::kHuman:
            return "orvane serve: " + event.message;
        case LogFormat::kLogfmt: {
            std::string line = "time=" + Rfc3339Utc(time) +
                               " level=" + std::string(LogLevelName(event.level)) +
                               " msg=" + LogfmtValue(event.message);
            if (!event.camera.empty()) line += " camera=" + LogfmtValue(event.camera);
            if (event.channel != 0) line += " channel=" + std::to_string(event.channel);
            return line;
        }
        case LogFormat::kJson: {
            nlohmann::ordered_json line = {
                {"time", Rfc3339Utc(time)}, {"level", LogLevelName(event.level)}, {"msg", event.message}};
            if (!event.camera.empty()) line["camera"] = event.camera;
            if (event.channel != 0) line["channel"] = event.channel;
            // A stray byte from a camera's text must not cost the line.
            return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        }
    }
    return event.message;
}

}  // namespace orvane_cli::serve
