#include <windows.h>

#include "platform/local_time.hpp"

namespace standin::platform {

LocalTime localTimeNow() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace standin::platform
