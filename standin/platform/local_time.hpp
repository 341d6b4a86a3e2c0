// The wall-clock time of the machine, as the simulated camera stamps its readings.
#pragma once

namespace standin::platform {

struct LocalTime {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

LocalTime localTimeNow();

}  // namespace standin::platform
