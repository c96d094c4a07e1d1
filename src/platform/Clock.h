// Time sources: the millisecond tick count that drives timers and deadlines, the local time of
// day for log lines, and the Unix time for OAuth timestamps.
#pragma once

#include <cstdint>

namespace platform {

using TickSource = uint32_t (*)();

// Milliseconds since an arbitrary start, wrapping at 2^32.
uint32_t TickCount();

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
