#include "settings/own_link_posix.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace {

// As many hops as the kernel itself follows before it gives up with ELOOP.
constexpr int kMostHops = 40;

char refusedPath[PATH_MAX] = "";
char refusedWords[PATH_MAX + 100] = "";

// The link at `path`, opened as itself (O_PATH): its owner and what it says. False when
// `path` is no symbolic link (any more).
bool ReadLinkItself(const std::string& path, uid_t* owner, std::string* target) {
    const int fd = open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    char text[PATH_MAX];
    ssize_t length = -1;
    if (fstat(fd, &info) == 0 && S_ISLNK(info.st_mode)) {
        length = readlinkat(fd, "", text, sizeof text);
    }
    close(fd);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof text) {
        return false;
    }
    *owner = info.st_uid;
    target->assign(text, static_cast<std::size_t>(length));
    return true;
}

// Where a link at `path` that says `target` leads: a relative target is read from the
// folder that holds the link.
std::string Beside(const std::string& path, const std::string& target) {
    const std::size_t slash = path.rfind('/');
    if (target.empty() || target[0] == '/' || slash == std::string::npos) {
        return target;
    }
    return path.substr(0, slash + 1) + target;
}

// One hop along a link: true and `next` for a link the running user made; false for no link,
// or for a link of another account (then `foreign` says whose it is).
bool OwnHop(const std::string& path, std::string* next, TForeignLink* foreign) {
    uid_t owner = 0;
    std::string target;
    if (!ReadLinkItself(path, &owner, &target)) {
        return false;
    }
    if (owner != geteuid()) {
        *foreign = {true, owner, target};
        return false;
    }
    *next = Beside(path, target);
    return true;
}

}  // namespace

int OpenOwnPath(const char* path, int flags, mode_t mode, TForeignLink* foreign) {
    *foreign = TForeignLink{};
    std::string current = path;
    for (int hop = 0; hop <= kMostHops; ++hop) {
        const int fd = open(current.c_str(), flags | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != ELOOP) {
            return fd;
        }
        // ELOOP under O_NOFOLLOW: the last name is a link (or the path loops before it).
        std::string next;
        if (OwnHop(current, &next, foreign)) {
            current = next;
        } else if (foreign->found) {
            break;
        }
        // Neither: no link any more (replaced meanwhile by a file), so the open is tried again.
    }
    errno = ELOOP;
    return -1;
}

std::string FollowOwnLinks(const char* path, TForeignLink* foreign) {
    *foreign = TForeignLink{};
    std::string current = path;
    std::string next;
    for (int hop = 0; hop < kMostHops && OwnHop(current, &next, foreign); ++hop) {
        current = next;
    }
    return current;
}

std::string AccountWords(uid_t account) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    const std::string number = "uid " + std::to_string(account);
    if (getpwuid_r(account, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
        return "user " + std::string(found->pw_name) + " (" + number + ")";
    }
    return number;
}

std::string ForeignLinkWords(const TForeignLink& link) {
    return "a symbolic link of " + AccountWords(link.owner) + " to " + link.target;
}

void NoteRefusedLink(const char* path, const TForeignLink& link) {
    if (refusedPath[0] != '\0') {
        return;
    }
    std::snprintf(refusedPath, sizeof refusedPath, "%s", path);
    std::snprintf(refusedWords, sizeof refusedWords, "%s", ForeignLinkWords(link).c_str());
}

const char* RefusedLinkPath() {
    return refusedPath;
}

const char* RefusedLinkWords() {
    return refusedWords;
}
