// zvtool's platform seam on POSIX: posix_spawn and waitpid, signals for Ctrl-C.
#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "zvtool/jobs/process.h"

extern char** environ;

namespace {

constexpr char kDriverName[] = "zordrive";
constexpr long kSliceNs = 20L * 1000 * 1000;
constexpr int kStopGraceMs = 5000;

volatile sig_atomic_t interrupted = 0;

void OnSignal(int) {
    interrupted = 1;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// One waitpid without blocking: kEnded with the status, or kRunning.
TWaitResult PollChild(pid_t pid, int* status) {
    int raw = 0;
    const pid_t done = waitpid(pid, &raw, WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) {
        *status = done == pid && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return TWaitResult::kEnded;
    }
    return TWaitResult::kRunning;
}

}  // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal_number, &action, nullptr);
    }
}

bool Interrupted() {
    return interrupted != 0;
}

bool StartDriver(const std::string& path, TDriverProcess* driver, std::string* error) {
    // The driver gets a process group of its own, so the terminal's Ctrl-C reaches zvtool
    // only: zvtool stops the driver itself and can then say what it left behind.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    char* const arguments[] = {const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    const int code = posix_spawn(&pid, path.c_str(), nullptr, &attributes, arguments, environ);
    posix_spawnattr_destroy(&attributes);
    if (code != 0) {
        *error = std::strerror(code);
        return false;
    }
    driver->id = pid;
    return true;
}

TWaitResult WaitDriver(TDriverProcess* driver, int milliseconds, int* status) {
    const pid_t pid = static_cast<pid_t>(driver->id);
    long left = static_cast<long>(milliseconds) * 1000 * 1000;
    for (;;) {
        if (PollChild(pid, status) == TWaitResult::kEnded) {
            return TWaitResult::kEnded;
        }
        if (interrupted != 0) {
            return TWaitResult::kInterrupted;
        }
        if (left <= 0) {
            return TWaitResult::kRunning;
        }
        // A signal ends the sleep early, so Ctrl-C is seen at once.
        const timespec slice{0, left < kSliceNs ? left : kSliceNs};
        nanosleep(&slice, nullptr);
        left -= slice.tv_nsec;
    }
}

void StopDriver(TDriverProcess* driver) {
    const pid_t pid = static_cast<pid_t>(driver->id);
    int status = 0;
    kill(pid, SIGTERM);
    for (int waited = 0; waited < kStopGraceMs; waited += 20) {
        if (PollChild(pid, &status) == TWaitResult::kEnded) {
            return;
        }
        const timespec slice{0, kSliceNs};
        nanosleep(&slice, nullptr);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
}

std::string DefaultDriverPath() {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        self[length] = '\0';
        const std::string beside = DirectoryOf(self) + "/" + kDriverName;
        if (IsProgram(beside)) {
            return beside;
        }
    }
    const char* search = getenv("PATH");
    std::string rest = search != nullptr ? search : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        std::string directory = rest.substr(0, colon);
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
        const std::string candidate = (directory.empty() ? "." : directory) + "/" + kDriverName;
        if (IsProgram(candidate)) {
            return AbsolutePath(candidate);
        }
    }
    return "";
}

bool IsProgram(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
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
    return rest.empty() ? absolute : absolute + "/" + rest;
}

bool ChangeDirectory(const std::string& path) {
    return chdir(path.c_str()) == 0;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

void SetEnvironment(const char* name, const std::string& value) {
    setenv(name, value.c_str(), 1);
}

std::string ProfileFilePath(const char* name) {
    return AbsolutePath(name);
}
