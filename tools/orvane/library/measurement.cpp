#include "library/measurement.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "render/output.hpp"

namespace orvane_cli {
namespace {

// Days from 2000-01-01 to a civil date (proleptic Gregorian).
int64_t DaysSince2000(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 730425;
}

std::string Reading(float value) { return std::isfinite(value) ? Decimal(value, 2) : ""; }

// A reading read back: empty is not a number.
bool ReadingOf(const std::string& text, float& value) {
    if (text.empty()) {
        value = std::numeric_limits<float>::quiet_NaN();
        return true;
    }
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return *end == 0;
}

bool IntegerOf(const std::string& text, int32_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    value = static_cast<int32_t>(parsed);
    return *end == 0 && parsed >= std::numeric_limits<int32_t>::min() &&
           parsed <= std::numeric_limits<int32_t>::max();
}

// "2024-05-01T12:34:56" back to yyyymmdd and hhmmss.
bool DateTimeOf(const std::string& text, int32_t& date, int32_t& time) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day,
                                         &hour, &minute, &second, &tail) != 6) {
        return false;
    }
    date = year * 10000 + month * 100 + day;
    time = hour * 10000 + minute * 100 + second;
    return true;
}

}  // namespace

int64_t SecondsSince2000(int32_t date, int32_t time) {
    const int64_t days = DaysSince2000(date / 10000, date / 100 % 100, date % 100);
    return days * 86400 + int64_t{time / 10000} * 3600 + time / 100 % 100 * 60 + time % 100;
}

std::string IsoDateTime(int32_t date, int32_t time) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", date / 10000, date / 100 % 100,
                  date % 100, time / 10000, time / 100 % 100, time % 100);
    return text;
}

std::string RuleTypeName(int32_t type) {
    switch (type) {
        case 0:
            return "point";
        case 1:
            return "box";
        case 2:
            return "line";
        default:
            return "type " + std::to_string(type);
    }
}

std::string ClockOfDay(int64_t seconds) {
    const int64_t ofDay = (seconds % 86400 + 86400) % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(ofDay / 3600),
                  static_cast<int>(ofDay / 60 % 60), static_cast<int>(ofDay % 60));
    return text;
}

std::string CsvRow(const std::string& camera, int32_t channel, const Measurement& m,
                   const std::string& hostTime) {
    const std::string region =
        m.IsPoint() ? ",," : Reading(m.max) + "," + Reading(m.min) + "," + Reading(m.avg);
    return camera + "," + std::to_string(channel) + "," + std::to_string(m.rule) + "," +
           RuleTypeName(m.type) + "," + std::to_string(m.preset) + "," + IsoDateTime(m.date, m.time) + "," +
           hostTime + "," + (m.IsPoint() ? Reading(m.point) : "") + "," + region;
}

bool ParseCsvRow(const std::string& line, CsvRecord& record) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == ',')
            fields.emplace_back();
        else if (c != '\r')
            fields.back() += c;
    }
    if (fields.size() != 11) return false;
    Measurement& m = record.measurement;
    record.camera = fields[0];
    m.type = -1;
    for (int32_t type = 0; type <= 2; ++type) {
        if (fields[3] == RuleTypeName(type)) m.type = type;
    }
    if (m.type < 0 && !(fields[3].rfind("type ", 0) == 0 && IntegerOf(fields[3].substr(5), m.type)))
        return false;
    return IntegerOf(fields[1], record.channel) && IntegerOf(fields[2], m.rule) &&
           IntegerOf(fields[4], m.preset) && DateTimeOf(fields[5], m.date, m.time) &&
           ReadingOf(fields[7], m.point) && ReadingOf(fields[8], m.max) && ReadingOf(fields[9], m.min) &&
           ReadingOf(fields[10], m.avg);
}

}  // namespace orvane_cli
