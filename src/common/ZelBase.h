// Common base of the working objects: an optional log file, the assertion trace and a registry
// of tick-count timers.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "common/ZelString.h"
#include "common/ZelTimer.h"

constexpr unsigned LOG_TO_FILE = 1;
constexpr unsigned LOG_TO_PROFILE = 2;  // second target, never configured
constexpr unsigned LOG_VERBATIM = 4;

class CZelBase {
  public:
    explicit CZelBase(const char* objectName = "CZelBase");
    CZelBase(const CZelBase&) = delete;
    CZelBase& operator=(const CZelBase&) = delete;
    virtual ~CZelBase();

    virtual bool IsEqual(const CZelBase& other) const;
    virtual bool IsGreater(const CZelBase& other) const;
    virtual bool IsLess(const CZelBase& other) const;
    virtual CZelBase* CreateNew() const;

    // Owners that hold further CZelBase parts pass the path on.
    virtual void SetLogFile(const char* path);
    const CZelString& GetLogFile() const { return logFile_; }
    const char* ObjectName() const { return objectName_; }

    void Log(unsigned flags, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void LogSized(unsigned flags, size_t sizeHint, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

    static void AssertTrace(bool condition, const char* file, long line);

    CZelTimer* CreateTimer(uint32_t durationMs);
    void DeleteTimer(CZelTimer* timer);
    static void ResetTimer(CZelTimer* timer);
    static bool IsTimerExpired(const CZelTimer* timer);
    static uint32_t TimerRemaining(const CZelTimer* timer);

  private:
    void WriteLine(unsigned flags, char* buffer, size_t size, const char* format, va_list args);

    const char* objectName_;
    std::vector<std::unique_ptr<CZelTimer>> timers_;
    CZelString logFile_;
    std::unique_ptr<char[]> formatBuffer_;
};
