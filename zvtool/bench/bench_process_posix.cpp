#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "zvtool/bench/bench_process.h"

namespace {

constexpr int kStartFailed = 127;

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

}  // namespace

bool BenchSupported(std::string*) {
    return true;
}

bool StartUnit(const std::vector<std::string>& argv, const std::string& directory,
               const std::string& outPath, const std::string& logPath, TUnitProcess* unit,
               std::string* error) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0 || log < 0) {
        *error = std::strerror(errno);
        close(out);
        close(log);
        return false;
    }
    std::vector<char*> arguments;
    for (const std::string& argument : argv) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    arguments.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        if (chdir(directory.c_str()) != 0 || dup2(out, STDOUT_FILENO) < 0 ||
            dup2(log, STDERR_FILENO) < 0) {
            _exit(kStartFailed);
        }
        execv(arguments[0], arguments.data());
        _exit(kStartFailed);
    }
    const int forkError = errno;
    close(out);
    close(log);
    if (pid < 0) {
        *error = std::strerror(forkError);
        return false;
    }
    setpgid(pid, pid);
    unit->id = pid;
    return true;
}

bool UnitEnded(TUnitProcess* unit, int* status, double* cpuSeconds) {
    int raw = 0;
    rusage usage{};
    const pid_t pid = static_cast<pid_t>(unit->id);
    const pid_t done = wait4(pid, &raw, WNOHANG, &usage);
    if (done != pid) {
        return false;
    }
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    *cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    return true;
}

void InterruptUnit(const TUnitProcess& unit) {
    kill(static_cast<pid_t>(unit.id), SIGINT);
}

bool MakeFolder(const std::string& path, std::string* error) {
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return true;
    }
    if (mkdir(path.c_str(), 0777) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    return true;
}

std::string SelfProgram() {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    return length > 0 ? std::string(self, static_cast<std::size_t>(length)) : "zvtool";
}

void PauseMs(int milliseconds) {
    const timespec pause{milliseconds / 1000, (milliseconds % 1000) * 1000L * 1000};
    nanosleep(&pause, nullptr);
}
