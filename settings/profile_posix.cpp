// The profile files on POSIX: read and rewritten whole, by the rules of profile_text.h,
// under their bare names in the current directory.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "settings/own_link_posix.h"
#include "settings/profile.h"
#include "settings/profile_text.h"

namespace {

enum class ReadResult { kRead, kMissing, kFailed };

// Reads a regular file whole. Whatever else bears the name (a directory, or a FIFO that
// would block the driver) fails; so does a link, with `flags` O_NOFOLLOW.
ReadResult ReadWholeFile(const char* path, int flags, std::string* text, mode_t* mode) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | flags);
    if (fd < 0) {
        return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    }
    ReadResult result = ReadResult::kFailed;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(info.st_size));
        char buffer[4096];
        for (;;) {
            const ssize_t count = read(fd, buffer, sizeof buffer);
            if (count > 0) {
                bytes.append(buffer, static_cast<std::size_t>(count));
            } else if (count == 0) {
                *text = std::move(bytes);
                *mode = info.st_mode & 07777;
                result = ReadResult::kRead;
                break;
            } else if (errno != EINTR) {
                break;
            }
        }
    }
    close(fd);
    return result;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = write(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file beside `path`, named so that no other writer picks the same name. Opened with
// mode 0666 so that the umask applies, as to any file the driver creates.
int CreateTempFile(const std::string& path, std::string* tempPath) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld-%u.tmp", static_cast<long>(getpid()), attempt);
        *tempPath = path + suffix;
        const int fd = open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Writes `bytes` beside `path` and renames the copy over it: a host polling the file sees
// either the old bytes or the new, never an empty or half-written file. False when that
// could not be done (no new file in a read-only directory, no room for a second copy).
bool ReplaceAtomically(const std::string& path, const std::string& bytes, ReadResult read,
                       mode_t mode) {
    std::string tempPath;
    const int fd = CreateTempFile(path, &tempPath);
    if (fd < 0) {
        return false;
    }
    bool written = WriteAll(fd, bytes);
    if (written && read == ReadResult::kRead) {
        written = fchmod(fd, mode) == 0;
    }
    written = close(fd) == 0 && written;
    if (written && rename(tempPath.c_str(), path.c_str()) == 0) {
        return true;
    }
    unlink(tempPath.c_str());
    return false;
}

// Claims the room for `size` bytes. A file system without the call (NFSv3, many FUSE
// mounts) either says so or, in glibc, has it emulated by reading the file, which fails on a
// write-only descriptor: then the text is written without the claim, as Windows writes it.
bool ClaimRoom(int fd, off_t size, bool readable) {
    if (size == 0) {
        return true;
    }
    const int error = posix_fallocate(fd, 0, size);
    return error == 0 || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL ||
           (error == EBADF && !readable);
}

// The fallback, as the Windows profile API writes: the file itself, rewritten from its
// start. The room is claimed first where the file system can, so a full disk leaves the
// old bytes as they were; a host polling meanwhile may see the file half written.
// Never through a link of another account: that is noted for the stderr line instead.
void RewriteInPlace(const std::string& path, const std::string& bytes) {
    bool readable = true;
    TForeignLink foreign;
    int fd = OpenOwnPath(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666, &foreign);
    if (fd < 0 && errno == EACCES) {
        readable = false;
        fd = OpenOwnPath(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666, &foreign);
    }
    if (foreign.found) {
        NoteRefusedLink(path.c_str(), foreign);
    }
    if (fd < 0) {
        return;
    }
    const auto size = static_cast<off_t>(bytes.size());
    // A shorter text than before leaves the old tail behind it until the file is cut.
    const bool written =
        ClaimRoom(fd, size, readable) && WriteAll(fd, bytes) && ftruncate(fd, size) == 0;
    close(fd);
    static_cast<void>(written);  // a status write that fails is not reported, as on Windows
}

// Read, change and replace, all under an exclusive lock on the directory: a second driver
// writing the same status file would otherwise read the same old bytes, and its rename
// would drop the other's key. `path` is the file itself, past the user's own links; a link of
// another account (`foreign`) is never read, only replaced by the new file.
void RewriteLocked(const std::string& path, bool foreign, const char* section, const char* key,
                   const char* value) {
    std::string text;
    mode_t mode = 0;
    const ReadResult read =
        foreign ? ReadResult::kMissing : ReadWholeFile(path.c_str(), O_NOFOLLOW, &text, &mode);
    if (read == ReadResult::kFailed) {
        return;  // replacing what we cannot read would lose it
    }
    const std::string updated = ProfileTextSetString(text, section, key, value);
    if (!ReplaceAtomically(path, updated, read, mode)) {
        RewriteInPlace(path, updated);
    }
}

}  // namespace

std::uint32_t ProfileGetInt(const char* section, const char* key, int defaultValue,
                            const char* file) {
    std::string text;
    mode_t mode = 0;
    if (ReadWholeFile(file, 0, &text, &mode) != ReadResult::kRead) {
        return static_cast<std::uint32_t>(defaultValue);
    }
    return ProfileTextGetInt(text, section, key, defaultValue);
}

// A symbolic link the user made is followed, so a host may keep the status file elsewhere and
// link it here; one that another account made is replaced by the file itself.
void ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
    TForeignLink foreign;
    const std::string path = FollowOwnLinks(file, &foreign);
    const int directory = open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        while (flock(directory, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    RewriteLocked(path, foreign.found, section, key, value);
    if (directory >= 0) {
        close(directory);  // releases the lock
    }
}
