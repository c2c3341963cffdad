#include "tests/common/no_fallocate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

extern "C" int __real_posix_fallocate(int fd, off_t offset, off_t length);
extern "C" int __wrap_posix_fallocate(int fd, off_t offset, off_t length);

namespace {

Fallocate support = Fallocate::kSupported;

}  // namespace

void SetFallocate(Fallocate value) {
    support = value;
}

extern "C" int __wrap_posix_fallocate(int fd, off_t offset, off_t length) {
    switch (support) {
        case Fallocate::kSupported:
            return __real_posix_fallocate(fd, offset, length);
        case Fallocate::kNotSupported:
            return EOPNOTSUPP;
        case Fallocate::kEmulatedByReading:
            break;
    }
    if ((fcntl(fd, F_GETFL) & O_ACCMODE) == O_WRONLY) {
        return EBADF;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return errno;
    }
    return info.st_size >= offset + length || ftruncate(fd, offset + length) == 0 ? 0 : errno;
}
