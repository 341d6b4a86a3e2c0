// One thermometry measurement of one measurement rule as the library reads it,
// and its CSV form.
#pragma once

#include <cstdint>
#include <string>

namespace orvane_cli {

// A rule's calibration type as the camera gives it.
inline constexpr int32_t kPointRule = 0;

struct Measurement {
    int32_t date = 0;  // yyyymmdd, camera clock
    int32_t time = 0;  // hhmmss
    int32_t rule = 0;
    int32_t type = 0;    // 0 a point, 1 a box, 2 a line
    int32_t preset = 0;  // the preset the rule belongs to
    float point = 0;     // a point rule's reading
    float max = 0;       // a region's readings
    float min = 0;
    float avg = 0;

    bool operator==(const Measurement&) const = default;
    bool IsPoint() const { return type == kPointRule; }
    // The highest and lowest reading: a point's reading counts as both.
    float High() const { return IsPoint() ? point : max; }
    float Low() const { return IsPoint() ? point : min; }
    float Mean() const { return IsPoint() ? point : avg; }
};

// "point", "box", "line", or "type N" for a code the tool does not know.
std::string RuleTypeName(int32_t type);

// Seconds since 2000-01-01 00:00:00 of the camera clock's date and time.
int64_t SecondsSince2000(int32_t date, int32_t time);
// "2024-05-01T12:34:56" (camera local time; the camera gives no zone).
std::string IsoDateTime(int32_t date, int32_t time);
// "hh:mm:ss" of a SecondsSince2000 value.
std::string ClockOfDay(int64_t seconds);

// One row per measurement of a rule: the camera's address and channel, the
// rule, its type and preset, the camera's time, the host's time when it
// arrived (ISO 8601 with milliseconds and UTC offset) and the readings in °C
// (a point rule's in point_c, a region's in max_c, min_c and avg_c; the others
// left empty).
inline constexpr const char* kCsvHeader =
    "camera,channel,rule,type,preset,time,host_time,point_c,max_c,min_c,avg_c";
// "192.0.2.66,1,2,box,0,2024-05-01T12:34:56,2024-05-01T12:34:56.120+02:00,,38.12,21.50,30.05";
// a reading that is not a number is left empty.
std::string CsvRow(const std::string& camera, int32_t channel, const Measurement& m,
                   const std::string& hostTime);

// A row of kCsvHeader read back (for redrawing the chart of a whole file):
// false for a line that is not one.
struct CsvRecord {
    std::string camera;
    int32_t channel = 0;
    Measurement measurement;
};
bool ParseCsvRow(const std::string& line, CsvRecord& record);

}  // namespace orvane_cli
