#include "measurement.hpp"

#include <cmath>
#include <cstdio>

#include "output.hpp"

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

std::string ClockOfDay(int64_t seconds) {
    const int64_t ofDay = (seconds % 86400 + 86400) % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(ofDay / 3600),
                  static_cast<int>(ofDay / 60 % 60), static_cast<int>(ofDay % 60));
    return text;
}

std::string CsvRow(const std::string& camera, int32_t channel, const Measurement& m,
                   const std::string& hostTime) {
    return camera + "," + std::to_string(channel) + "," + IsoDateTime(m.date, m.time) + "," + hostTime + "," +
           Reading(m.max) + "," + Reading(m.min) + "," + Reading(m.avg);
}

}  // namespace orvane_cli
