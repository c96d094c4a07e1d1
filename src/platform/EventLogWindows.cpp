#include <windows.h>

#include "platform/EventLog.h"

namespace platform {

void ReportAssertionEvent(const char* text) {
    HANDLE source = RegisterEventSourceA(nullptr, "SceCli");
    if (source == nullptr)
        return;
    const char* strings[] = {text};
    ReportEventA(source, EVENTLOG_ERROR_TYPE, 0, 1704, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

const char* AssertionTraceFile() {
    return "c:\\zeldebug\\assert.txt";
}

}  // namespace platform
