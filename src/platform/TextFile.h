// Appending one line to a text file: opened, appended to and closed for every line, so that
// several objects, and a reader, see whole lines.
#pragma once

#include <string_view>

namespace platform {

// The line and a line end (CR LF on Windows). What is no regular file gets nothing: a log file
// that names a FIFO or a device must not hold the caller up.
void AppendLine(const char* path, std::string_view line);

}  // namespace platform
