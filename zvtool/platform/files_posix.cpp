// Files and folders on POSIX.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "settings/own_link_posix.h"
#include "settings/profile.h"
#include "zvtool/platform/files.h"

namespace {

constexpr char kProbeSuffix[] = ".zvtool-probe";
// The room a job needs beside its settings: a rewritten INI file and a few records.
constexpr std::size_t kProbeBytes = 16 * 1024;
constexpr char kLockName[] = ".zvtool.lock";

std::string ErrnoText() {
    return SystemErrorText(static_cast<unsigned long>(errno));
}

// Creates `path` with `bytes` zero bytes, flushed to the disk: 0, or errno.
int WriteZeros(const std::string& path, std::size_t bytes) {
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        return errno;
    }
    const std::string zeros(bytes, '\0');
    int error = 0;
    if (write(descriptor, zeros.data(), zeros.size()) != static_cast<ssize_t>(zeros.size()) ||
        fsync(descriptor) != 0) {
        error = errno != 0 ? errno : ENOSPC;
    }
    close(descriptor);
    unlink(path.c_str());
    return error;
}

bool WriteAll(int descriptor, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = write(descriptor, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            errno = count == 0 ? ENOSPC : errno;
            return false;
        }
        done += static_cast<std::size_t>(count);
    }
    return true;
}

constexpr char kNotThroughLinks[] = "; zvtool writes through no link another account made";

// open(2) of a file to write, through no link of another account: the descriptor, or -1 with
// the reason in `error`.
int OpenToWrite(const std::string& path, int flags, mode_t mode, std::string* error) {
    TForeignLink foreign;
    const int descriptor = OpenOwnPath(path.c_str(), flags | O_CLOEXEC, mode, &foreign);
    if (descriptor < 0) {
        *error = foreign.found ? path + " is " + ForeignLinkWords(foreign) + kNotThroughLinks
                               : ErrnoText();
    }
    return descriptor;
}

mode_t FileBits(TFolderMode mode) {
    return mode == TFolderMode::kPrivate ? 0600 : 0666;
}

// Writes `text` to a descriptor opened with `flags`, closing it; false with the reason.
bool WriteTo(const std::string& path, int flags, mode_t mode, const std::string& text,
             std::string* error) {
    const int descriptor = OpenToWrite(path, flags | O_WRONLY, mode, error);
    if (descriptor < 0) {
        return false;
    }
    const bool written = WriteAll(descriptor, text);
    const int writeError = errno;
    const bool closed = close(descriptor) == 0;
    if (!written || !closed) {
        *error = SystemErrorText(static_cast<unsigned long>(written ? errno : writeError));
        return false;
    }
    return true;
}

// Why a lock file that is a link is refused: whose link it is and where it leads (read again
// for the message only; the lock was not taken either way).
std::string LockLinkText(const std::string& path) {
    struct stat info {};
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    const TForeignLink link{true, lstat(path.c_str(), &info) == 0 ? info.st_uid : 0,
                            std::string(target, length < 0 ? 0 : static_cast<std::size_t>(length))};
    return path + " is " + ForeignLinkWords(link) +
           "; zvtool never takes its lock through a link: remove it";
}

std::string ReadDescriptor(int descriptor) {
    std::string text;
    char chunk[512];
    off_t at = 0;
    for (ssize_t got; (got = pread(descriptor, chunk, sizeof chunk, at)) > 0; at += got) {
        text.append(chunk, static_cast<std::size_t>(got));
    }
    return text;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') {
        return path;
    }
    char* here = getcwd(nullptr, 0);
    if (here == nullptr) {
        return path;
    }
    std::string absolute = here;
    free(here);
    // "." is the folder itself, and "./name" its entry: no "/./" in a path zvtool shows.
    std::string rest = path == "." ? "" : path;
    while (rest.compare(0, 2, "./") == 0) {
        rest.erase(0, 2);
    }
    return rest.empty() ? absolute : JoinPath(absolute, rest);
}

char FolderSeparator() {
    return '/';
}

bool FileNamesIgnoreCase() {
    return false;
}

TSystem ThisSystem() {
    return TSystem::kPosix;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsProgram(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

std::vector<TFolderEntry> ListFiles(const std::string& folder) {
    std::vector<TFolderEntry> files;
    DIR* directory = opendir(folder.c_str());
    if (directory == nullptr) {
        return files;
    }
    while (const dirent* entry = readdir(directory)) {
        struct stat info {};
        const std::string name = entry->d_name;
        if (stat(JoinPath(folder, name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            files.push_back({name, static_cast<long long>(info.st_size)});
        }
    }
    closedir(directory);
    return files;
}

std::string WhyNotWritable(const std::string& path) {
    std::string why;
    const int descriptor = OpenToWrite(path, O_WRONLY | O_CREAT | O_APPEND, 0666, &why);
    if (descriptor < 0) {
        return why;
    }
    close(descriptor);
    // The file opens, but the driver's settings writer and the job's files need room beside it.
    const int error = WriteZeros(path + kProbeSuffix, kProbeBytes);
    return error == 0 ? "" : SystemErrorText(static_cast<unsigned long>(error));
}

TReadResult ReadWholeFile(const std::string& path, std::size_t limit, std::string* text,
                          std::string* error) {
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        *error = ErrnoText();
        return errno == ENOENT ? TReadResult::kMissing : TReadResult::kFailed;
    }
    std::string bytes;
    char chunk[65536];
    TReadResult result = TReadResult::kRead;
    for (;;) {
        const ssize_t got = read(descriptor, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            *error = ErrnoText();
            result = TReadResult::kFailed;
            break;
        }
        if (got == 0) {
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
        if (bytes.size() > limit) {
            result = TReadResult::kTooLarge;
            break;
        }
    }
    close(descriptor);
    if (result == TReadResult::kRead) {
        *text = std::move(bytes);
    }
    return result;
}

std::string ForeignLinkAt(const std::string& path) {
    TForeignLink foreign;
    const std::string stop = FollowOwnLinks(path.c_str(), &foreign);
    if (!foreign.found) {
        return "";
    }
    // The user's own links on the way are named too: the link to remove may be the last.
    return (stop == path ? path : path + " leads to " + stop + ", which") + " is " +
           ForeignLinkWords(foreign);
}

std::string OthersMayChange(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return "";
    }
    char mode[16];
    std::snprintf(mode, sizeof mode, " (mode %04o)", static_cast<unsigned>(info.st_mode & 07777));
    const mode_t others = info.st_mode & (S_IWGRP | S_IWOTH);
    if (others != 0) {
        return std::string(others == S_IWGRP   ? "its group may write it"
                           : others == S_IWOTH ? "others may write it"
                                               : "its group and others may write it") +
               mode;
    }
    if (info.st_uid != geteuid()) {
        return "it belongs to " + AccountWords(info.st_uid) + mode;
    }
    return "";
}

bool WriteWholeFile(const std::string& path, const std::string& text, std::string* error,
                    TFolderMode mode) {
    return WriteTo(path, O_CREAT | O_TRUNC, FileBits(mode), text, error);
}

bool WriteNewFile(const std::string& path, const std::string& text, std::string* error) {
    return WriteTo(path, O_CREAT | O_EXCL, 0666, text, error);
}

bool AppendToFile(const std::string& path, const std::string& text, std::string* error,
                  TFolderMode mode) {
    return WriteTo(path, O_CREAT | O_APPEND, FileBits(mode), text, error);
}

std::string TextLines(const std::string& text) {
    return text;
}

bool RenameReplacing(const std::string& from, const std::string& to, std::string* error) {
    if (rename(from.c_str(), to.c_str()) == 0) {
        return true;
    }
    *error = ErrnoText();
    return false;
}

bool RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool MakeFolders(const std::string& path, TFolderMode mode, std::string* error) {
    const mode_t bits = mode == TFolderMode::kPrivate ? 0700 : 0777;
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && !IsFolder(part) && mkdir(part.c_str(), bits) != 0 && errno != EEXIST) {
            *error = ErrnoText();
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    if (!IsFolder(path)) {
        *error = "not a folder";
        return false;
    }
    return true;
}

std::string SystemErrorText(unsigned long code) {
    const char* text = std::strerror(static_cast<int>(code));
    return text != nullptr && *text != '\0' ? text : "error " + std::to_string(code);
}

TLockResult TakeFileLock(const std::string& path, const std::string& text, TFileLock* lock,
                         std::string* detail, bool passedOn) {
    // Not close-on-exec: the driver shares the lock, so that a driver left running by a
    // zvtool that was killed still keeps the next job out until it ends; unless `passedOn` is
    // false. Never through a link: the lock file is zvtool's own, and a link there (in a
    // folder others may write) would have the lock's text emptied and written into whatever
    // it leads to.
    const int shared = passedOn ? 0 : O_CLOEXEC;
    int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | shared, 0666);
    const int openError = errno;
    // Another user's lock file may be read-only to us: flock() needs no write access, only
    // the holder's text cannot be written then.
    const bool readOnly = descriptor < 0 && openError == EACCES &&
                          (descriptor = open(path.c_str(), O_RDONLY | O_NOFOLLOW | shared)) >= 0;
    if (descriptor < 0) {
        *detail = openError == ELOOP ? LockLinkText(path)
                                     : SystemErrorText(static_cast<unsigned long>(openError));
        return TLockResult::kFailed;
    }
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        *detail = error == EWOULDBLOCK ? ReadDescriptor(descriptor)
                                       : SystemErrorText(static_cast<unsigned long>(error));
        close(descriptor);
        return error == EWOULDBLOCK ? TLockResult::kHeld : TLockResult::kFailed;
    }
    if (!readOnly) {
        // A folder whose disk is full takes the lock file but not its text, nor the job's files.
        errno = 0;
        if (ftruncate(descriptor, 0) != 0 ||
            pwrite(descriptor, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
            fsync(descriptor) != 0) {
            *detail = SystemErrorText(static_cast<unsigned long>(errno == 0 ? EIO : errno));
            close(descriptor);
            return TLockResult::kFailed;
        }
    }
    lock->descriptor = descriptor;
    return TLockResult::kTaken;
}

void RewriteFileLock(const TFileLock& lock, const std::string& text) {
    const int descriptor = static_cast<int>(lock.descriptor);
    if (descriptor >= 0 && ftruncate(descriptor, 0) == 0 &&
        pwrite(descriptor, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size())) {
        fsync(descriptor);
    }
}

void ReleaseFileLock(TFileLock* lock) {
    if (lock->descriptor < 0) {
        return;
    }
    const int descriptor = static_cast<int>(lock->descriptor);
    // A descriptor opened read-only cannot clear the text; the lock goes with it either way.
    if (ftruncate(descriptor, 0) != 0) {
        errno = 0;
    }
    close(descriptor);
    lock->descriptor = -1;
}

std::string DriverProfileName(const std::string& runFolder, const char* name) {
    return JoinPath(runFolder, name);
}

std::string DriverProfilePath(const std::string& runFolder, const char* name) {
    return JoinPath(runFolder, name);
}

std::string DriverSettingsAdvice(const std::string& runFolder) {
    return "this driver reads \"" + std::string(kSettingsFile) +
           "\" in the folder it runs in, here " + DriverProfilePath(runFolder, kSettingsFile) +
           "; check that the driver runs in this folder and that no other program rewrote the "
           "file while it ran";
}

bool DriversRunSideBySide(std::string*) {
    return true;
}

const char* DriverProgramName() {
    return "zordrive";
}

std::string RunLockPath(const std::string& runFolder) {
    return JoinPath(runFolder, kLockName);
}

std::string RunLockScope(const std::string& runFolder) {
    return "the driver's files in " + runFolder;
}
