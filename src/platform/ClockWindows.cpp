#include <windows.h>

#include <ctime>

#include "platform/Clock.h"

namespace platform {

namespace {

uint32_t SystemTicks() {
    return GetTickCount();
}

TickSource g_tickSource = &SystemTicks;

}  // namespace

uint32_t TickCount() {
    return g_tickSource();
}

void SetTickSource(TickSource source) {
    g_tickSource = source != nullptr ? source : &SystemTicks;
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
