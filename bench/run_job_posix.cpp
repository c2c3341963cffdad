// zv-bench-run: runs one program (the driver, natively or under Wine) against minizv-sim and
// measures it from outside, the way a host would see it:
//   wall        from just before execve to the moment the process has ended;
//   cpu         user + system time of the process (wait4), and under Wine the time the
//               wineserver and the other processes of the prefix spent meanwhile (Wine's
//               services: they also run while no program does);
//   maxrss      peak resident memory of the process (wait4);
//   first byte  from just before execve to the moment the simulator reads the first byte of
//               the run (its --trace line reaches us through a pipe within microseconds).
//
// usage: zv-bench-run [--wine-prefix DIR] [--trace FILE] [--sim SIM ARGS... --] [--] PROGRAM
// ARGS... Prints key=value lines on stdout. Exit status 0 when the measurement was taken (whatever
// the program's own status, which is printed as exit=), 2 on bad usage or a failed start.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kUsage = 2;
constexpr int kReadyTimeoutMs = 5000;
constexpr char kRxMark[] = " ms rx ";

std::int64_t NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

double Ms(std::int64_t ns) {
    return static_cast<double>(ns) / 1e6;
}

bool ReadWhole(const std::string& path, std::string& text) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char chunk[4096];
    ssize_t got = 0;
    text.clear();
    while ((got = read(fd, chunk, sizeof chunk)) > 0) {
        text.append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    return true;
}

// Processor time (ns) of every thread of one process: the first field of schedstat is
// the scheduler's own run-time sum, exact where /proc/PID/stat counts 10 ms ticks.
std::int64_t ProcessCpuNs(const std::string& pid) {
    std::int64_t total = 0;
    const std::string taskDir = "/proc/" + pid + "/task";
    DIR* tasks = opendir(taskDir.c_str());
    if (tasks == nullptr) {
        return 0;
    }
    while (const dirent* task = readdir(tasks)) {
        std::string text;
        if (task->d_name[0] != '.' &&
            ReadWhole(taskDir + "/" + task->d_name + "/schedstat", text)) {
            total += std::strtoll(text.c_str(), nullptr, 10);
        }
    }
    closedir(tasks);
    return total;
}

// The name of the program that a process runs ("wine64", "wineserver64", ...), empty when
// it cannot be read.
std::string ProgramOf(const char* pid) {
    char exe[4096];
    const ssize_t length =
        readlink((std::string("/proc/") + pid + "/exe").c_str(), exe, sizeof exe - 1);
    if (length <= 0) {
        return "";
    }
    const std::string path(exe, static_cast<std::size_t>(length));
    return path.substr(path.rfind('/') + 1);
}

// Processor time (ns) by process id; the wineserver under the key "server".
using Cpu = std::map<std::string, std::int64_t>;

// Processor time (ns) of each process of Wine's own (wine64, wineserver64) that runs in one
// prefix, found by WINEPREFIX in its environment: the benchmark's shell, this program and
// the simulator carry it too, but run other programs.
Cpu PrefixCpuNs(const std::string& prefix) {
    const std::string entry = "WINEPREFIX=" + prefix;
    Cpu cpu;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return cpu;
    }
    while (const dirent* item = readdir(proc)) {
        const std::string program = ProgramOf(item->d_name);
        if (item->d_name[0] < '0' || item->d_name[0] > '9' || program.rfind("wine", 0) != 0) {
            continue;
        }
        std::string environ;
        if (!ReadWhole(std::string("/proc/") + item->d_name + "/environ", environ)) {
            continue;
        }
        environ.insert(environ.begin(), '\0');
        if (environ.find('\0' + entry + '\0') != std::string::npos) {
            const bool server = program.rfind("wineserver", 0) == 0;
            cpu[server ? "server" : item->d_name] = ProcessCpuNs(item->d_name);
        }
    }
    closedir(proc);
    return cpu;
}

// What the processes alive at the end spent since the start, the wineserver's share and
// the others'; a process that ended meanwhile is missed, one that started counts whole.
void CpuSpentNs(const Cpu& before, const Cpu& after, std::int64_t& server, std::int64_t& others) {
    server = 0;
    others = 0;
    for (const auto& [pid, ns] : after) {
        const auto earlier = before.find(pid);
        (pid == "server" ? server : others) += ns - (earlier == before.end() ? 0 : earlier->second);
    }
}

struct Options {
    std::string winePrefix;
    std::string tracePath;
    std::vector<char*> sim;
    std::vector<char*> program;
};

int ParseArgs(int argc, char** argv, Options& options) {
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg == "--wine-prefix" && i + 1 < argc) {
            options.winePrefix = argv[++i];
        } else if (arg == "--trace" && i + 1 < argc) {
            options.tracePath = argv[++i];
        } else if (arg == "--sim") {
            for (++i; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
                options.sim.push_back(argv[i]);
            }
            if (i == argc || options.sim.empty()) {
                return kUsage;
            }
        } else {
            return kUsage;
        }
    }
    for (; i < argc; ++i) {
        options.program.push_back(argv[i]);
    }
    if (options.program.empty()) {
        return kUsage;
    }
    options.sim.push_back(nullptr);
    options.program.push_back(nullptr);
    return 0;
}

// The simulator's trace, copied to a file as it comes; notes when the first received byte
// shows up in it.
struct Trace {
    int fd = -1;
    FILE* copy = nullptr;
    std::string partial;
    std::int64_t firstRxNs = 0;

    // False at the end of the stream.
    bool Drain() {
        char chunk[8192];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            return false;
        }
        const std::int64_t now = NowNs();
        const auto count = static_cast<std::size_t>(got);
        if (copy != nullptr) {
            std::fwrite(chunk, 1, count, copy);
        }
        if (firstRxNs == 0) {
            partial.append(chunk, count);
            if (partial.find(kRxMark) != std::string::npos) {
                firstRxNs = now;
                partial.clear();
            } else if (partial.size() > sizeof kRxMark) {
                partial.erase(0, partial.size() - sizeof kRxMark);
            }
        }
        return true;
    }
};

// Starts the simulator with its stdout and stderr on pipes and waits for its "ready" line.
pid_t StartSim(const Options& options, Trace& trace) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        return -1;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        execv(options.sim[0], options.sim.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    trace.fd = err[0];
    std::string said;
    const std::int64_t giveUp = NowNs() + kReadyTimeoutMs * 1000000LL;
    while (said.find('\n') == std::string::npos && NowNs() < giveUp) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        if (poll(fds, 2, 100) <= 0) {
            continue;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            trace.Drain();
        }
        if ((fds[0].revents & (POLLIN | POLLHUP)) != 0) {
            char chunk[256];
            const ssize_t got = read(out[0], chunk, sizeof chunk);
            if (got <= 0) {
                break;
            }
            said.append(chunk, static_cast<std::size_t>(got));
        }
    }
    close(out[0]);
    if (said.rfind("ready", 0) != 0) {
        std::fprintf(stderr, "zv-bench-run: the simulator did not get ready\n");
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (ParseArgs(argc, argv, options) != 0) {
        std::fprintf(stderr,
                     "usage: zv-bench-run [--wine-prefix DIR] [--trace FILE] "
                     "[--sim SIM ARGS... --] PROGRAM ARGS...\n");
        return kUsage;
    }
    Trace trace;
    if (!options.tracePath.empty()) {
        trace.copy = std::fopen(options.tracePath.c_str(), "w");
    }
    pid_t sim = -1;
    if (options.sim.size() > 1 && (sim = StartSim(options, trace)) < 0) {
        return kUsage;
    }

    const bool wine = !options.winePrefix.empty();
    const auto wineCpuBefore = wine ? PrefixCpuNs(options.winePrefix) : Cpu{};

    // The child notes the start time itself, right before execve, in a page we share.
    void* page = mmap(nullptr, sizeof(std::int64_t), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) {
        return kUsage;
    }
    auto* startNs = static_cast<volatile std::int64_t*>(page);
    const pid_t child = fork();
    if (child == 0) {
        *startNs = NowNs();
        execvp(options.program[0], options.program.data());
        _exit(127);
    }
    const int childFd = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (child < 0 || childFd < 0) {
        return kUsage;
    }

    std::int64_t endNs = 0;
    bool traceOpen = sim > 0;
    while (endNs == 0) {
        pollfd fds[2] = {{childFd, POLLIN, 0}, {traceOpen ? trace.fd : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) {
            traceOpen = trace.Drain();
        }
        if ((fds[0].revents & POLLIN) != 0) {
            endNs = NowNs();
        }
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto wineCpuAfter = wine ? PrefixCpuNs(options.winePrefix) : Cpu{};

    if (sim > 0) {
        kill(sim, SIGTERM);
        while (traceOpen && trace.Drain()) {
        }
        waitpid(sim, nullptr, 0);
    }
    if (trace.copy != nullptr) {
        std::fclose(trace.copy);
    }

    const auto cpuNs = [](const timeval& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1000000000LL + t.tv_usec * 1000LL;
    };
    const std::int64_t start = *startNs;
    std::printf("exit=%d\n", WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    std::printf("wall_ms=%.3f\n", Ms(endNs - start));
    std::printf("user_ms=%.3f\n", Ms(cpuNs(usage.ru_utime)));
    std::printf("sys_ms=%.3f\n", Ms(cpuNs(usage.ru_stime)));
    std::printf("maxrss_kb=%ld\n", usage.ru_maxrss);
    if (trace.firstRxNs != 0) {
        std::printf("first_byte_ms=%.3f\n", Ms(trace.firstRxNs - start));
    }
    if (wine) {
        std::int64_t server = 0;
        std::int64_t others = 0;
        CpuSpentNs(wineCpuBefore, wineCpuAfter, server, others);
        std::printf("wineserver_cpu_ms=%.3f\n", Ms(server));
        std::printf("wine_others_cpu_ms=%.3f\n", Ms(others));
        std::printf("wine_processes=%zu\n", wineCpuAfter.size());
    }
    return 0;
}
