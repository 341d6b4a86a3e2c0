#include "serve/metrics_exposition.hpp"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane_cli::serve {
namespace {

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
    void Family(const char* name, const char* type, const char* help) {
        name_ = name;
        text_ += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
    }
    template <typename Number>
    void Sample(const Labels& labels, Number value) {
        text_ += name_;
        char separator = '{';
        for (const auto& [label, labelValue] : labels) {
            text_ += separator;
            text_ += label;
            text_ += "=\"";
            AppendEscaped(text_, labelValue);
            text_ += '"';
            separator = ',';
        }
        if (labels.size() != 0) text_ += '}';
        text_ += ' ';
        AppendValue(text_, value);
        text_ += '\n';
    }
    std::string& text() { return text_; }

private:
    std::string name_;
    std::string text_;
};

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
             "Failed logins to the camera, by the SDK's failure code.");
    for (const CameraView& c : s.cameras) {
        for (const auto& [code, count] : c.loginFailures) {
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
             "The thermometry subscription: 1 running, 2 stopped, 3 start failed, 4 failing on the camera, "
             "5 starting, 6 silent (no data within the silence limit), 0 not subscribed.");
    each([&](Labels labels, const ChannelView& ch) { e.Sample(labels, ch.state); });
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
    };
    family("process_resident_memory_bytes", "gauge", "Resident memory size in bytes.", p.residentBytes);
    family("process_cpu_seconds_total", "counter", "Total user and system CPU time spent in seconds.",
           p.cpuSeconds);
    family("process_open_fds", "gauge", "Number of open file descriptors (handles on Windows).", p.openFds);
    family("process_start_time_seconds", "gauge", "Start time of the process since unix epoch in seconds.",
           p.startTimeSeconds);
}

}  // namespace

std::string MetricsText(const ServiceSnapshot& snapshot, const ProcessMetrics& process) {
    Exposition e;
    // About a kilobyte per camera: one allocation, not a copy at every doubling.
    e.text().reserve(4096 + 1200 * snapshot.cameras.size());
    CameraFamilies(e, snapshot);
    ChannelFamilies(e, snapshot);
    RuleFamilies(e, snapshot);
    e.Family("orvane_poll_duration_seconds", "gauge", "How long the latest poll of all cameras took.");
    if (snapshot.pollDurationSeconds) e.Sample({}, *snapshot.pollDurationSeconds);
    e.Family("orvane_log_write_failures_total", "counter",
             "Log lines that could not be written to standard error.");
    e.Sample({}, snapshot.logWriteFailures);
    e.Family("orvane_build_info", "gauge", "The service's version, as a label; always 1.");
    e.Sample({{"version", snapshot.version}}, 1);
    ProcessFamilies(e, process);
    return std::move(e.text());
}

}  // namespace orvane_cli::serve
