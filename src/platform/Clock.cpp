#include "platform/Clock.h"

namespace platform {

namespace {

TickSource g_tickSource = &SystemTicks;

}  // namespace

uint32_t TickCount() {
    return g_tickSource();
}

void SetTickSource(TickSource source) {
    g_tickSource = source != nullptr ? source : &SystemTicks;
}

}  // namespace platform
