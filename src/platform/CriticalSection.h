// A lock for the few places that several apartments reach at once.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#else
#include <mutex>
#endif

namespace platform {

class CriticalSection {
  public:
#if defined(_WIN32)
    CriticalSection() {
        InitializeCriticalSection(&section_);
    }
    ~CriticalSection() {
        DeleteCriticalSection(&section_);
    }
    void Enter() {
        EnterCriticalSection(&section_);
    }
    void Leave() {
        LeaveCriticalSection(&section_);
    }
#else
    CriticalSection() = default;
    void Enter() {
        mutex_.lock();
    }
    void Leave() {
        mutex_.unlock();
    }
#endif
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

  private:
#if defined(_WIN32)
    CRITICAL_SECTION section_;
#else
    std::mutex mutex_;
#endif
};

}  // namespace platform
