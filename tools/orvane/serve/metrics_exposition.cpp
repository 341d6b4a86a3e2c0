#include "serve/metrics_exposition.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "watch/subscription_watch.hpp"

namespace orvane_cli::serve {
namespace {

// The login failures that count from 0 (the SDK's codes).
constexpr int32_t kWrongPasswordCode = 1;
constexpr int32_t kUnreachableCode = 7;

// A channel's subscription states by name, as the state set gives them.
constexpr std::pair<int32_t, const char*> kChannelStates[] = {
    {kStateRunning, "running"}, {kChannelSilent, "silent"},          {kStateStarting, "starting"},
    {kStateStopped, "stopped"}, {kStateStartFailed, "start_failed"}, {kStateCameraFailing, "failing"},
    {0, "not_subscribed"}};

// The shortest text that reads back as the same number, appended; the
// format's words for the values that are not finite.
template <typename Number>
void AppendValue(std::string& text, Number value) {
    if (std::isnan(value)) {
        text += "NaN";
        return;
    }
    if (std::isinf(value)) {
        text += value > 0 ? "+Inf" : "-Inf";
        return;
    }
    char digits[32];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    text.append(error == std::errc() ? std::string_view(digits, static_cast<std::size_t>(end - digits))
                                     : std::string_view("NaN"));
}

// A label value, escaped as the format asks, appended in runs: a scrape of
// many cameras writes thousands of them.
void AppendEscaped(std::string& text, std::string_view value) {
    std::size_t plain = 0;  // the start of the run not yet appended
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '\\' && c != '"' && c != '\n') continue;
        text.append(value, plain, i - plain);
        text += c == '\n' ? "\\n" : c == '"' ? "\\\"" : "\\\\";
        plain = i + 1;
    }
    text.append(value, plain, std::string::npos);
}

// Label names and values, pointing at the snapshot's texts: a scrape writes
// thousands of samples, and copying their labels would cost more than writing them.
using Labels = std::initializer_list<std::pair<const char*, std::string_view>>;

class Exposition {
public:
    explicit Exposition(MetricsFormat format) : openMetrics_(format == MetricsFormat::kOpenMetrics) {}

    // OpenMetrics names a counter's family without its _total.
    void Family(const char* name, const char* type, const char* help) {
        name_ = name;
        std::string_view family = name;
        if (openMetrics_ && std::string_view(type) == "counter" && family.ends_with("_total"))
            family.remove_suffix(6);
        family_ = family;
        text_ += "# HELP ";
        text_ += family;
        text_ += ' ';
        text_ += help;
        text_ += "\n# TYPE ";
        text_ += family;
        text_ += ' ';
        text_ += type;
        text_ += '\n';
    }
    template <typename Number>
    void Sample(const Labels& labels, Number value) {
        Line(name_, "", labels, value);
    }
    // When a counter began counting, in OpenMetrics only: where it is known.
    void Created(const Labels& labels, double unixSeconds) {
        if (openMetrics_) Line(family_, "_created", labels, unixSeconds);
    }
    void Histogram(const Labels& labels, const DurationHistogram& h) {
        uint64_t cumulative = 0;
        for (std::size_t i = 0; i <= h.counts.size(); ++i) {
            // +Inf holds every poll, those beyond the last bound too.
            cumulative = i < h.counts.size() ? cumulative + h.counts[i] : h.count;
            char bound[32] = "+Inf";
            if (i < h.counts.size()) {
                // OpenMetrics asks for a float's form (1.0), the text format takes either.
                const double b = DurationHistogram::kBounds[i];
                std::snprintf(bound, sizeof bound, b == std::floor(b) ? "%.1f" : "%g", b);
            }
            LineWithLe(labels, bound, cumulative);
        }
        Line(family_, "_sum", labels, h.sum);
        Line(family_, "_count", labels, h.count);
    }
    std::string Finish() {
        if (openMetrics_) text_ += "# EOF\n";
        return std::move(text_);
    }
    void Reserve(std::size_t bytes) { text_.reserve(bytes); }

private:
    template <typename Number>
    void Line(std::string_view name, std::string_view suffix, const Labels& labels, Number value) {
        text_ += name;
        text_ += suffix;
        char separator = '{';
        for (const auto& [label, labelValue] : labels) AppendLabel(separator, label, labelValue);
        if (labels.size() != 0) text_ += '}';
        text_ += ' ';
        AppendValue(text_, value);
        text_ += '\n';
    }
    void LineWithLe(const Labels& labels, std::string_view le, uint64_t value) {
        text_ += family_;
        text_ += "_bucket";
        char separator = '{';
        for (const auto& [label, labelValue] : labels) AppendLabel(separator, label, labelValue);
        AppendLabel(separator, "le", le);
        text_ += "} ";
        AppendValue(text_, value);
        text_ += '\n';
    }
    void AppendLabel(char& separator, const char* label, std::string_view value) {
        text_ += separator;
        text_ += label;
        text_ += "=\"";
        AppendEscaped(text_, value);
        text_ += '"';
        separator = ',';
    }

    const bool openMetrics_;
    std::string name_;    // the samples' name
    std::string family_;  // the family's name, which suffixes extend
    std::string text_;
};

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A decimal number's text, kept in place for a label that points at it.
class Decimal {
public:
    explicit Decimal(int64_t value)
        : size_(static_cast<std::size_t>(std::to_chars(digits_, digits_ + sizeof digits_, value).ptr -
                                         digits_)) {}
    std::string_view view() const { return {digits_, size_}; }

private:
    char digits_[24];
    std::size_t size_;
};

template <typename Each>
void ForEachChannel(const ServiceSnapshot& s, Each each) {
    for (const CameraView& camera : s.cameras) {
        for (const ChannelView& channel : camera.channels) each(camera, channel);
    }
}

// Only current readings: a stale one is left out, so that Prometheus marks its
// series stale rather than alerting on a reading the camera no longer sends.
template <typename Each>
void ForEachCurrentRule(const ServiceSnapshot& s, Each each) {
    ForEachChannel(s, [&](const CameraView& camera, const ChannelView& channel) {
        for (const RuleView& rule : channel.rules) {
            if (rule.current) each(camera, channel, rule.reading);
        }
    });
}

void CameraFamilies(Exposition& e, const ServiceSnapshot& s) {
    e.Family("orvane_camera_up", "gauge", "Whether the service is logged in to the camera (1) or not (0).");
    for (const CameraView& c : s.cameras) e.Sample({{"camera", c.camera}}, c.up ? 1 : 0);
    e.Family("orvane_camera_state", "gauge",
             "The camera's login as a state set: up, down, or wrong_password (refused for its user name or "
             "password, tried again only after the wrong-password pause).");
    for (const CameraView& c : s.cameras) {
        for (const auto& [state, name] :
             {std::pair{LoginState::kUp, "up"}, std::pair{LoginState::kDown, "down"},
              std::pair{LoginState::kWrongPassword, "wrong_password"}}) {
            e.Sample({{"camera", c.camera}, {"state", name}}, c.login == state ? 1 : 0);
        }
    }
    e.Family("orvane_camera_logins_total", "counter", "Successful logins to the camera.");
    for (const CameraView& c : s.cameras) e.Sample({{"camera", c.camera}}, c.loginsTotal);
    e.Family("orvane_camera_login_failures_total", "counter",
             "Failed logins to the camera, by the SDK's failure code; 1 (wrong user name or password) and 7 "
             "(not reachable) from 0.");
    for (const CameraView& c : s.cameras) {
        // The causes someone acts on count from 0, so that a rate sees the first one.
        std::map<int32_t, int64_t> failures{{kWrongPasswordCode, 0}, {kUnreachableCode, 0}};
        for (const auto& [code, count] : c.loginFailures) failures[code] = count;
        for (const auto& [code, count] : failures) {
            const Decimal codeText(code);
            e.Sample({{"camera", c.camera}, {"code", codeText.view()}}, count);
        }
    }
}

void ChannelFamilies(Exposition& e, const ServiceSnapshot& s) {
    // Each family calls `sample` with the camera and channel labels of each channel.
    const auto each = [&](const auto& sample) {
        ForEachChannel(s, [&](const CameraView& c, const ChannelView& ch) {
            const Decimal channel(ch.channel);
            sample(Labels{{"camera", c.camera}, {"channel", channel.view()}}, ch);
        });
    };
    e.Family("orvane_thermometry_state", "gauge",
             "The thermometry subscription as a state set: running, silent (no data within the silence "
             "limit), starting, stopped, start_failed, failing (on the camera), not_subscribed.");
    ForEachChannel(s, [&](const CameraView& c, const ChannelView& ch) {
        const Decimal channel(ch.channel);
        for (const auto& [state, name] : kChannelStates) {
            e.Sample({{"camera", c.camera}, {"channel", channel.view()}, {"state", name}},
                     ch.state == state ? 1 : 0);
        }
    });
    e.Family("orvane_thermometry_data_events_total", "counter",
             "Measurements the library received for the channel, across restarts and logins.");
    each([&](Labels labels, const ChannelView& ch) { e.Sample(labels, ch.dataEventsTotal); });
    e.Family("orvane_thermometry_seconds_since_data", "gauge",
             "Seconds since the channel last received a measurement, across restarts and logins; since its "
             "first subscription began while none has come.");
    each([&](Labels labels, const ChannelView& ch) {
        if (ch.secondsSinceData) e.Sample(labels, *ch.secondsSinceData);
    });
    e.Family("orvane_thermometry_last_data_timestamp_seconds", "gauge",
             "When the channel last received a measurement, on the service host's clock (Unix time).");
    each([&](Labels labels, const ChannelView& ch) {
        if (ch.lastDataUnixSeconds) e.Sample(labels, *ch.lastDataUnixSeconds);
    });
    e.Family("orvane_thermometry_restarts_total", "counter",
             "Restarts of the channel's subscription after it failed or went silent.");
    each([&](Labels labels, const ChannelView& ch) { e.Sample(labels, ch.restartsTotal); });
}

void RuleFamilies(Exposition& e, const ServiceSnapshot& s) {
    // Every rule the service knows, a stale one too: what it is, for joins in queries.
    e.Family("orvane_thermometry_rule_info", "gauge",
             "A measurement rule of the channel: its type (point, box, line) and preset; always 1.");
    ForEachChannel(s, [&](const CameraView& c, const ChannelView& ch) {
        const Decimal channel(ch.channel);
        for (const RuleView& r : ch.rules) {
            const Decimal rule(r.reading.rule), preset(r.reading.preset);
            e.Sample({{"camera", c.camera},
                      {"channel", channel.view()},
                      {"rule", rule.view()},
                      {"type", RuleTypeName(r.reading.type)},
                      {"preset", preset.view()}},
                     1);
        }
    });
    e.Family("orvane_thermometry_temperature_celsius", "gauge",
             "The newest reading of a measurement rule: max, min and avg of a region, or a point's reading.");
    ForEachCurrentRule(s, [&](const CameraView& c, const ChannelView& ch, const Measurement& m) {
        const Decimal channel(ch.channel), rule(m.rule);
        const auto sample = [&](const char* reading, float value) {
            e.Sample({{"camera", c.camera},
                      {"channel", channel.view()},
                      {"rule", rule.view()},
                      {"reading", reading}},
                     value);
        };
        if (m.IsPoint()) {
            sample("point", m.point);
            return;
        }
        sample("max", m.max);
        sample("min", m.min);
        sample("avg", m.avg);
    });
    e.Family("orvane_thermometry_measurement_timestamp_seconds", "gauge",
             "The camera's time of the rule's newest reading, taken as the service host's local time.");
    CameraTimes times;
    ForEachCurrentRule(s, [&](const CameraView& c, const ChannelView& ch, const Measurement& m) {
        if (const auto unix = times.AsUnix(m)) {
            const Decimal channel(ch.channel), rule(m.rule);
            e.Sample({{"camera", c.camera}, {"channel", channel.view()}, {"rule", rule.view()}}, *unix);
        }
    });
    // Every rule the service has a reading of, a stale one too: a rule's limit
    // does not come and go with its camera's stream.
    e.Family("orvane_alarm_threshold_celsius", "gauge",
             "The alarm limit in effect for the rule, from --alarm-above or --alarm-below: direction above "
             "for its max or a point's reading, below for its min or a point's reading; no series where no "
             "limit applies.");
    ForEachChannel(s, [&](const CameraView& c, const ChannelView& ch) {
        const Decimal channel(ch.channel);
        for (const RuleView& r : ch.rules) {
            const RuleLimits limits = s.alarms->For(c.camera, ch.channel, r.reading.rule);
            const Decimal rule(r.reading.rule);
            for (const auto& [direction, limit] :
                 {std::pair{"above", limits.above}, std::pair{"below", limits.below}}) {
                if (!limit) continue;
                e.Sample({{"camera", c.camera},
                          {"channel", channel.view()},
                          {"rule", rule.view()},
                          {"direction", direction}},
                         *limit);
            }
        }
    });
}

void ProcessFamilies(Exposition& e, const ProcessMetrics& p) {
    const auto family = [&](const char* name, const char* type, const char* help,
                            std::optional<double> value) {
        e.Family(name, type, help);
        if (value) e.Sample({}, *value);
        // The process's counters began with it.
        if (value && p.startTimeSeconds && std::string_view(type) == "counter")
            e.Created({}, *p.startTimeSeconds);
    };
    family("process_resident_memory_bytes", "gauge", "Resident memory size in bytes.", p.residentBytes);
    family("process_cpu_seconds_total", "counter", "Total user and system CPU time spent in seconds.",
           p.cpuSeconds);
    family("process_open_fds", "gauge", "Number of open file descriptors (handles on Windows).", p.openFds);
    family("process_start_time_seconds", "gauge", "Start time of the process since unix epoch in seconds.",
           p.startTimeSeconds);
}

}  // namespace

std::string MetricsText(const ServiceSnapshot& snapshot, const ProcessMetrics& process,
                        MetricsFormat format) {
    Exposition e(format);
    // About a kilobyte and a half per camera: one allocation, not a copy at every doubling.
    e.Reserve(4096 + 1600 * snapshot.cameras.size());
    CameraFamilies(e, snapshot);
    ChannelFamilies(e, snapshot);
    RuleFamilies(e, snapshot);
    e.Family(
        "orvane_poll_duration_seconds", "histogram",
        "How long the polls of all cameras took, from their start to the publication of what they found.");
    e.Histogram({}, snapshot.pollDurations);
    if (process.startTimeSeconds) e.Created({}, *process.startTimeSeconds);
    e.Family("orvane_log_write_failures_total", "counter",
             "Log lines that could not be written to standard error.");
    e.Sample({}, snapshot.logWriteFailures);
    if (process.startTimeSeconds) e.Created({}, *process.startTimeSeconds);
    // As Prometheus reports its own configuration; only with a --config file.
    if (snapshot.config) {
        e.Family("orvane_config_last_reload_successful", "gauge",
                 "Whether the latest reading of the --config file succeeded (1) or was refused (0).");
        e.Sample({}, snapshot.config->lastReloadSuccessful ? 1 : 0);
        e.Family("orvane_config_last_reload_success_timestamp_seconds", "gauge",
                 "When the configuration in use was read from the --config file (Unix time).");
        e.Sample({}, snapshot.config->lastSuccessUnixSeconds);
    }
    e.Family("orvane_build_info", "gauge", "The service's version, as a label; always 1.");
    e.Sample({{"version", snapshot.version}}, 1);
    ProcessFamilies(e, process);
    return e.Finish();
}

MetricsFormat MetricsFormatFor(std::string_view accept) {
    // The best quality ("q") given each; 0 for not acceptable.
    double openMetrics = 0, text = 0;
    for (const std::string_view range : Split(accept, ',')) {
        const std::vector<std::string_view> parts = Split(range, ';');
        const std::string_view type = Trimmed(parts[0]);
        double q = 1;
        std::string_view version;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            const std::string_view parameter = Trimmed(parts[i]);
            if (parameter.starts_with("q="))
                q = std::strtod(std::string(parameter.substr(2)).c_str(), nullptr);
            if (parameter.starts_with("version=")) version = parameter.substr(8);
        }
        if (type == "application/openmetrics-text" && (version.empty() || version == "1.0.0"))
            openMetrics = std::max(openMetrics, q);
        if (type == "text/plain" || type == "*/*") text = std::max(text, q);
    }
    return openMetrics > 0 && openMetrics >= text ? MetricsFormat::kOpenMetrics : MetricsFormat::kText;
}

}  // namespace orvane_cli::serve
