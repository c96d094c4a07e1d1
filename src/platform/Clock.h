// Time sources: the millisecond tick count that drives timers and deadlines, the local time of
// day for log lines, and the Unix time for OAuth timestamps.
#pragma once

#include <cstdint>

namespace platform {

using TickSource = uint32_t (*)();

// Milliseconds since an arbitrary start, wrapping at 2^32: the system's count, or a test's.
uint32_t TickCount();
// The system's own count (the monotonic clock on Linux, GetTickCount on Windows).
uint32_t SystemTicks();

// Tests replace the tick source to reach the 2^32 wrap deterministically; nullptr restores it.
void SetTickSource(TickSource source);

struct TimeOfDay {
    int hour;
    int minute;
    int second;
};
TimeOfDay LocalTimeOfDay();

int64_t UnixTime();

}  // namespace platform
