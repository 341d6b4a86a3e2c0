// One thermometry measurement as the library reads it, and its CSV form.
#pragma once

#include <cstdint>
#include <string>

namespace orvane_cli {

struct Measurement {
    int32_t date = 0;  // yyyymmdd, camera clock
    int32_t time = 0;  // hhmmss
    float max = 0;
    float min = 0;
    float avg = 0;

    bool operator==(const Measurement&) const = default;
};

// Seconds since 2000-01-01 00:00:00 of the camera clock's date and time.
int64_t SecondsSince2000(int32_t date, int32_t time);
// "2024-05-01T12:34:56" (camera local time; the camera gives no zone).
std::string IsoDateTime(int32_t date, int32_t time);
// "hh:mm:ss" of a SecondsSince2000 value.
std::string ClockOfDay(int64_t seconds);

// One row per measurement: the camera's address and channel, the camera's time,
// the host's time when it arrived (ISO 8601 with milliseconds and UTC offset)
// and the readings in °C.
inline constexpr const char* kCsvHeader = "camera,channel,time,host_time,max_c,min_c,avg_c";
// "192.0.2.64,1,2024-05-01T12:34:56,2024-05-01T12:34:56.120+02:00,38.12,21.50,30.05";
// a reading that is not a number is left empty.
std::string CsvRow(const std::string& camera, int32_t channel, const Measurement& m,
                   const std::string& hostTime);

}  // namespace orvane_cli
