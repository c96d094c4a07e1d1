#include "platform/EventLog.h"

#include <syslog.h>

namespace platform {

void ReportAssertionEvent(const char* text) {
    openlog("SceCli", LOG_PID, LOG_USER);
    syslog(LOG_ERR, "%s", text);
    closelog();
}

const char* AssertionTraceFile() {
    return "/tmp/zeldebug/assert.txt";
}

}  // namespace platform
