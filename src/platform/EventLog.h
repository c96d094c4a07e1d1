#pragma once

namespace platform {

// Reports an assertion failure to the system's event log (syslog on Linux, under the event
// source name the Windows build registers).
void ReportAssertionEvent(const char* text);

// The file the assertion trace is appended to; its folder is never created.
const char* AssertionTraceFile();

}  // namespace platform
