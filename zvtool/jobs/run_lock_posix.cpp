// The run-folder lock on POSIX: flock() on ".zvtool.lock" in the current directory.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <string>

#include "zvtool/jobs/process.h"
#include "zvtool/jobs/run_lock.h"
#include "zvtool/jobs/when.h"

namespace {

constexpr char kLockName[] = ".zvtool.lock";

std::string ReadAll(int descriptor) {
    std::string text;
    char chunk[512];
    off_t at = 0;
    for (ssize_t got; (got = pread(descriptor, chunk, sizeof chunk, at)) > 0; at += got) {
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return text;
}

}  // namespace

std::string RunLockPath() {
    return AbsolutePath(kLockName);
}

std::string RunLockScope() {
    const std::string path = RunLockPath();
    return "the driver's files in " + path.substr(0, path.rfind('/'));
}

TLockResult TakeRunLock(const std::string& job, TRunLock* lock, std::string* detail) {
    // Not close-on-exec: the driver shares the lock, so that a driver left running by a
    // zvtool that was killed still keeps the next job out until it ends.
    int descriptor = open(kLockName, O_RDWR | O_CREAT, 0666);
    const int openError = errno;
    // Another user's lock file may be read-only to us: flock() needs no write access, only
    // the holder's text cannot be written then.
    const bool readOnly =
        descriptor < 0 && openError == EACCES && (descriptor = open(kLockName, O_RDONLY)) >= 0;
    if (descriptor < 0) {
        *detail = std::strerror(openError);
        return TLockResult::kFailed;
    }
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        *detail = error == EWOULDBLOCK ? DescribeLockHolder(ReadAll(descriptor))
                                       : std::string(std::strerror(error));
        close(descriptor);
        return error == EWOULDBLOCK ? TLockResult::kHeld : TLockResult::kFailed;
    }
    if (readOnly) {
        lock->descriptor = descriptor;
        return TLockResult::kTaken;
    }
    const std::string text =
        LockHolderText(job, LocalTimeText(std::time(nullptr), "%Y-%m-%d %H:%M:%S"), getpid());
    // A folder whose disk is full takes the lock file but not its text, nor the job's files.
    errno = 0;
    if (ftruncate(descriptor, 0) != 0 ||
        pwrite(descriptor, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        fsync(descriptor) != 0) {
        *detail = std::strerror(errno == 0 ? EIO : errno);
        close(descriptor);
        return TLockResult::kFailed;
    }
    lock->descriptor = descriptor;
    return TLockResult::kTaken;
}

void ReleaseRunLock(TRunLock* lock) {
    if (lock->descriptor < 0) {
        return;
    }
    const int descriptor = static_cast<int>(lock->descriptor);
    // The file stays: removing it would let a job that opened it just before lock a file
    // that no longer has a name, beside a third job locking a new one. A descriptor opened
    // read-only cannot clear the text; the lock itself goes with the descriptor either way.
    if (ftruncate(descriptor, 0) != 0) {
        errno = 0;
    }
    close(descriptor);
    lock->descriptor = -1;
}
