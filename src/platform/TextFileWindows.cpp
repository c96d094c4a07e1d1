#include <cstdio>

#include "platform/TextFile.h"

namespace platform {

void AppendLine(const char* path, std::string_view line) {
    if (path == nullptr || *path == 0)
        return;
    // Text mode: the line feed becomes CR LF.
    FILE* file = std::fopen(path, "a");
    if (file == nullptr)
        return;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fputc('\n', file);
    std::fclose(file);
}

}  // namespace platform
