#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "serial/trace.h"
#include "settings/own_link_posix.h"

namespace {

bool IsNullDevice(const struct stat& info) {
    struct stat null {};
    return S_ISCHR(info.st_mode) && stat("/dev/null", &null) == 0 && null.st_rdev == info.st_rdev;
}

}  // namespace

// Opened without waiting: a FIFO with no reader, or a terminal, would otherwise hold the
// run at the open or at a write-out. Only a regular file is taken, and the null device,
// which never blocks; never through a link of another account (noted for the stderr line).
std::FILE* TraceOpenFile(const char* path) {
    TForeignLink foreign;
    const int fd = OpenOwnPath(
        path, O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666, &foreign);
    if (foreign.found) {
        NoteRefusedLink(path, foreign);
    }
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || IsNullDevice(info))) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "ab");
    if (file == nullptr) {
        close(fd);
    }
    return file;
}
