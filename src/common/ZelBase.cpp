#include "common/ZelBase.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/TextFile.h"

namespace {

constexpr size_t kSharedBufferSize = 65536;
constexpr size_t kSizedMargin = 2047;

std::string TimePrefix() {
    platform::TimeOfDay now = platform::LocalTimeOfDay();
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "[%02d:%02d:%02d] ", now.hour, now.minute, now.second);
    return prefix;
}

}  // namespace

CZelBase::CZelBase(const char* objectName) : objectName_(objectName) {}

CZelBase::~CZelBase() = default;

bool CZelBase::IsEqual(const CZelBase&) const {
    return false;
}
bool CZelBase::IsGreater(const CZelBase&) const {
    return false;
}
bool CZelBase::IsLess(const CZelBase&) const {
    return false;
}
CZelBase* CZelBase::CreateNew() const {
    return new CZelBase();
}

void CZelBase::SetLogFile(const char* path) {
    logFile_.Assign(path);
}

void CZelBase::Log(unsigned flags, const char* format, ...) {
    if (logFile_.IsEmpty() || flags == 0 || format == nullptr || *format == 0)
        return;
    if (!formatBuffer_)
        formatBuffer_.reset(new (std::nothrow) char[kSharedBufferSize]);
    if (!formatBuffer_)
        return;
    va_list args;
    va_start(args, format);
    WriteLine(flags, formatBuffer_.get(), kSharedBufferSize, format, args);
    va_end(args);
}

void CZelBase::LogSized(unsigned flags, size_t sizeHint, const char* format, ...) {
    if (logFile_.IsEmpty() || flags == 0 || format == nullptr || *format == 0)
        return;
    AssertTrace(sizeHint > 8, "..\\..\\..\\common\\VisualC\\Source\\ZelBase", 593);
    size_t size = sizeHint + kSizedMargin;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
    if (!buffer)
        return;
    va_list args;
    va_start(args, format);
    WriteLine(flags, buffer.get(), size, format, args);
    va_end(args);
}

void CZelBase::WriteLine(unsigned flags, char* buffer, size_t size, const char* format,
                         va_list args) {
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(buffer, size, format, args);
    std::string message;
    if (n >= 0 && static_cast<size_t>(n) < size) {
        message.assign(buffer, static_cast<size_t>(n));
    } else if (n >= 0) {
        // A line longer than its buffer is written whole rather than cut.
        message.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(message.data(), message.size(), format, again);
        message.resize(static_cast<size_t>(n));
    }
    va_end(again);

    CZelString line(TimePrefix() + message);
    if ((flags & LOG_VERBATIM) == 0) {
        std::string text = line.Str();
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        line.Assign(text.c_str());
        line.Replace("\r\n", " <CRLF> ", true);
        line.Replace("\r", " <CR> ", true);
        line.Replace("\n", " <LF> ", true);
    }
    if ((flags & (LOG_TO_FILE | LOG_VERBATIM)) != 0)
        platform::AppendLine(logFile_.c_str(), line.Str());
}

void CZelBase::AssertTrace(bool condition, const char* file, long line) {
    if (condition)
        return;
    platform::TimeOfDay now = platform::LocalTimeOfDay();
    char text[2064];
    std::snprintf(text, sizeof text,
                  "[%02d:%02d:%02d] VELMORA ASSERTION FAILURE, FILE: [%s]; LINE: %ld", now.hour,
                  now.minute, now.second, file != nullptr ? file : "", line);
    platform::AppendLine(platform::AssertionTraceFile(), text);
    platform::ReportAssertionEvent(text);
}

CZelTimer* CZelBase::CreateTimer(uint32_t durationMs) {
    auto timer =
        std::make_unique<CZelTimer>(CZelTimer{durationMs, platform::TickCount() + durationMs});
    timers_.push_back(std::move(timer));
    return timers_.back().get();
}

void CZelBase::DeleteTimer(CZelTimer* timer) {
    if (timer == nullptr || timer == reinterpret_cast<CZelTimer*>(~uintptr_t{0}))
        return;
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->get() == timer) {
            timers_.erase(it);
            return;
        }
    }
}

void CZelBase::ResetTimer(CZelTimer* timer) {
    if (timer != nullptr)
        timer->expiry = platform::TickCount() + timer->duration;
}

bool CZelBase::IsTimerExpired(const CZelTimer* timer) {
    if (timer == nullptr)
        return true;
    if (timer->duration == 0xFFFFFFFFu)
        return false;
    uint32_t now = platform::TickCount();
    uint32_t start = timer->expiry - timer->duration;
    if (start < 0xFFFFFFFFu - timer->duration)
        return timer->expiry <= now;
    // The period crosses the wrap: until the counter wraps, "now" is still before the expiry.
    if (0xFFFFFFFFu - now <= timer->duration)
        return false;
    return timer->expiry <= now;
}

uint32_t CZelBase::TimerRemaining(const CZelTimer* timer) {
    if (timer == nullptr)
        return 0;
    uint32_t now = platform::TickCount();
    uint32_t start = timer->expiry - timer->duration;
    if (start >= 0xFFFFFFFFu - timer->duration && 0xFFFFFFFFu - now <= timer->duration)
        return timer->expiry - now - 1;
    return timer->expiry > now ? timer->expiry - now : 0;
}
