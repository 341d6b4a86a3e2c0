#include "serve/history_json.hpp"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "library/measurement.hpp"

namespace orvane_cli::serve {
namespace {

// `units` hundredths (or thousandths, by `scale`) as the shortest decimal:
// 2350 hundredths is "23.5", 2300 is "23".
void AppendFixed(std::string& text, int64_t units, int64_t scale) {
    if (units < 0) {
        text += '-';
        units = -units;
    }
    char digits[24];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, units / scale).ptr);
    int64_t fraction = units % scale;
    if (fraction == 0) return;
    text += '.';
    for (int64_t place = scale / 10; place > 0 && fraction > 0; place /= 10) {
        text += static_cast<char>('0' + fraction / place);
        fraction %= place;
    }
}

// °C to two decimals, or null where the rule has no such value.
void AppendCelsius(std::string& text, float value) {
    if (!std::isfinite(value)) {
        text += "null";
        return;
    }
    AppendFixed(text, std::llround(static_cast<double>(value) * 100), 100);
}

// Unix seconds to the millisecond the history keeps them at.
void AppendTime(std::string& text, double time) { AppendFixed(text, std::llround(time * 1000), 1000); }

std::string Quoted(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

HistoryJsonWriter::HistoryJsonWriter(double seconds, double now, std::optional<double> since)
    : from_(now - seconds), since_(since) {
    text_ = "{\"seconds\":";
    AppendFixed(text_, std::llround(seconds * 1000), 1000);
    text_ += ",\"time\":";
    AppendTime(text_, now);
    text_ += ",\"series\":[";
}

void HistoryJsonWriter::Series(const std::string& camera, int32_t channel, int32_t rule, int32_t type,
                               const std::vector<HistorySample>& samples) {
    text_ += first_ ? "{\"camera\":" : ",{\"camera\":";
    first_ = false;
    text_ += Quoted(camera);
    text_ += ",\"channel\":" + std::to_string(channel) + ",\"rule\":" + std::to_string(rule) +
             ",\"type\":" + Quoted(RuleTypeName(type)) + ",\"samples\":[";
    bool firstSample = true;
    for (const HistorySample& h : samples) {
        if (h.time < from_ || (since_ && !(h.time > *since_))) continue;
        text_ += firstSample ? "[" : ",[";
        firstSample = false;
        AppendTime(text_, h.time);
        for (const float value : {h.max, h.min, h.avg, h.point}) {
            text_ += ',';
            AppendCelsius(text_, value);
        }
        text_ += ']';
    }
    text_ += "]}";
}

std::string HistoryJsonWriter::Finish() {
    text_ += "]}";
    return std::move(text_);
}

std::string HistoryJson(const History& history, double now, const HistoryQuery& query) {
    HistoryJsonWriter writer(history.coveredSeconds(), now, query.since);
    std::vector<HistorySample> samples;
    for (const auto& [key, series] : history.series()) {
        const auto& [camera, channel, rule] = key;
        if (query.camera && *query.camera != camera) continue;
        series.ring.CopyTo(samples);
        writer.Series(camera, channel, rule, series.type, samples);
    }
    return writer.Finish();
}

}  // namespace orvane_cli::serve
