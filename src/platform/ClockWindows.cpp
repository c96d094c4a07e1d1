#include <windows.h>

#include <ctime>

#include "platform/Clock.h"

namespace platform {

uint32_t SystemTicks() {
    return GetTickCount();
}

TimeOfDay LocalTimeOfDay() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return {local.wHour, local.wMinute, local.wSecond};
}

int64_t UnixTime() {
    return static_cast<int64_t>(time(nullptr));
}

}  // namespace platform
