#include "platform/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace platform {

void AppendLine(const char* path, std::string_view line) {
    if (path == nullptr || *path == 0)
        return;
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // One write: appends of several writers do not interleave within a line.
        std::string whole(line);
        whole += '\n';
        ssize_t written = write(fd, whole.data(), whole.size());
        (void)written;  // a line that cannot be written is lost, as specified
    }
    close(fd);
}

}  // namespace platform
