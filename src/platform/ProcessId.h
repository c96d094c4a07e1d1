// The process's id: a forked child has one of its own, which tells state copied from the parent
// (a random generator) apart from state made in this process.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace platform {

inline uint32_t ProcessId() {
#if defined(_WIN32)
    return GetCurrentProcessId();
#else
    return static_cast<uint32_t>(getpid());
#endif
}

}  // namespace platform
