#pragma once

#include <cstdint>

// A tick-count period owned by the CZelBase that created it. All arithmetic is unsigned 32-bit,
// so periods survive the wrap of the tick counter.
struct CZelTimer {
    uint32_t duration;
    uint32_t expiry;
};
