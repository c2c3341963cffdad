// Programs zvtool starts, on POSIX: posix_spawn and wait4, signals for Ctrl-C.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"

extern char** environ;

namespace {

constexpr int kSliceMs = 20;
constexpr int kStopGraceMs = 5000;

std::atomic<bool>* interruptFlag = nullptr;

void OnSignal(int) {
    if (interruptFlag != nullptr) {
        interruptFlag->store(true);
    }
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// zvtool's environment with `extra` set on top, as "NAME=VALUE" strings.
std::vector<std::string> Environment(
    const std::vector<std::pair<std::string, std::string>>& extra) {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        bool replaced = false;
        for (const auto& [name, value] : extra) {
            replaced = replaced || variable.compare(0, name.size() + 1, name + "=") == 0;
        }
        if (!replaced) {
            variables.push_back(variable);
        }
    }
    for (const auto& [name, value] : extra) {
        variables.push_back(name + "=" + value);
    }
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// One wait4 without blocking: true with the status when the process has ended.
bool Reap(pid_t pid, int* status, double* cpuSeconds) {
    int raw = 0;
    rusage usage{};
    const pid_t done = wait4(pid, &raw, WNOHANG, &usage);
    if (done == pid || (done < 0 && errno == ECHILD)) {
        *status = done == pid && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        if (cpuSeconds != nullptr) {
            *cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
        }
        return true;
    }
    return false;
}

}  // namespace

bool SpawnProcess(const TSpawn& spawn, TProcess* process, std::string* error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!spawn.folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, spawn.folder.c_str());
    }
    const int flags = O_WRONLY | O_CREAT | O_TRUNC;
    if (!spawn.outputFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, spawn.outputFile.c_str(), flags,
                                         0644);
    }
    if (!spawn.errorFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, spawn.errorFile.c_str(), flags,
                                         0644);
    }
    // A process group of its own: the terminal's Ctrl-C reaches zvtool only, which stops the
    // program itself and can then say what it left behind.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<std::string> arguments = spawn.argv;
    std::vector<std::string> variables = Environment(spawn.environment);
    pid_t pid = 0;
    const int code = posix_spawn(&pid, arguments[0].c_str(), &actions, &attributes,
                                 Pointers(arguments).data(), Pointers(variables).data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (code != 0) {
        *error = SystemErrorText(static_cast<unsigned long>(code));
        return false;
    }
    process->id = pid;
    return true;
}

bool WaitProcess(TProcess* process, int milliseconds, const std::atomic<bool>* stop, int* status,
                 double* cpuSeconds) {
    const pid_t pid = static_cast<pid_t>(process->id);
    for (int left = milliseconds;; left -= kSliceMs) {
        if (Reap(pid, status, cpuSeconds)) {
            return true;
        }
        if (left <= 0 || (stop != nullptr && stop->load())) {
            return false;
        }
        // A signal ends the sleep early, so Ctrl-C is seen at once.
        SleepMs(left < kSliceMs ? left : kSliceMs);
    }
}

void StopProcess(TProcess* process) {
    const pid_t pid = static_cast<pid_t>(process->id);
    int status = 0;
    kill(pid, SIGTERM);
    for (int waited = 0; waited < kStopGraceMs; waited += kSliceMs) {
        if (Reap(pid, &status, nullptr)) {
            return;
        }
        SleepMs(kSliceMs);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
}

void InterruptProcess(const TProcess& process) {
    kill(static_cast<pid_t>(process.id), SIGINT);
}

void SetFlagOnInterrupt(std::atomic<bool>* flag) {
    interruptFlag = flag;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal_number, &action, nullptr);
    }
}

bool ProcessRuns(long long id) {
    // EPERM: another user's process, which runs all the same.
    return id > 0 && (kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM);
}

std::string SelfPath() {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    return length > 0 ? std::string(self, static_cast<std::size_t>(length)) : "";
}

std::string FindOnSearchPath(const std::string& name) {
    const char* search = getenv("PATH");
    std::string rest = search != nullptr ? search : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string directory = rest.substr(0, colon);
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
        const std::string candidate = JoinPath(directory.empty() ? "." : directory, name);
        if (IsProgram(candidate)) {
            return AbsolutePath(candidate);
        }
    }
    return "";
}

std::string MachineName() {
    char name[256] = {};
    return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

long long ThisProcessId() {
    return getpid();
}

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

bool HasItsOwnConsole() {
    return false;
}

void WaitForEnter() {
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) {
    }
}

void SleepMs(int milliseconds) {
    const timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000L * 1000};
    nanosleep(&pause, nullptr);
}
