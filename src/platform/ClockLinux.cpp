#include <ctime>

#include "platform/Clock.h"

namespace platform {

uint32_t SystemTicks() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

TimeOfDay LocalTimeOfDay() {
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return {local.tm_hour, local.tm_min, local.tm_sec};
}

int64_t UnixTime() {
    return static_cast<int64_t>(time(nullptr));
}

}  // namespace platform
