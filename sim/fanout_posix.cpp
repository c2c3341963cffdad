#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "sim/fanout.h"
#include "sim/serve.h"

namespace {

constexpr long kPollNs = 50L * 1000 * 1000;

volatile sig_atomic_t stopRequested = 0;

extern "C" void OnStop(int) {
    stopRequested = 1;
}

void CatchStops() {
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(number, &action, nullptr);
    }
}

void StopAll(const std::vector<pid_t>& units) {
    for (const pid_t pid : units) {
        if (pid > 0) {
            kill(pid, SIGTERM);
        }
    }
}

}  // namespace

int ServeUnits(const SimOptions& options, int (*serveUnit)(const SimOptions& unit)) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::vector<pid_t> units;
    for (std::size_t i = 0; i < options.links.size(); ++i) {
        SimOptions unit = options;
        unit.link = options.links[i];
        unit.store = options.stores.empty() ? "" : options.stores[i];
        unit.links.clear();
        unit.stores.clear();
        const pid_t pid = fork();
        if (pid == 0) {
#ifdef __linux__
            // A bench whose parent was killed outright must not leave units behind.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
            std::_Exit(serveUnit(unit) == kExitDone ? kExitDone : kExitLineFailed);
        }
        if (pid < 0) {
            std::perror("minizv-sim: fork");
            StopAll(units);
            break;
        }
        units.push_back(pid);
    }
    CatchStops();
    int worst = units.size() == options.links.size() ? kExitDone : kExitLineFailed;
    std::size_t running = units.size();
    bool stopping = false;
    while (running > 0) {
        int status = 0;
        const pid_t ended = waitpid(-1, &status, WNOHANG);
        if (ended < 0 && errno != EINTR) {
            break;
        }
        if (ended > 0) {
            --running;
            const int code = WIFEXITED(status) ? WEXITSTATUS(status) : kExitLineFailed;
            worst = code > worst ? code : worst;
            continue;
        }
        // One unit that ends does not end the bench; a stop request ends every unit.
        if (stopRequested != 0 && !stopping) {
            stopping = true;
            StopAll(units);
        }
        const timespec pause{0, kPollNs};
        nanosleep(&pause, nullptr);
    }
    return worst;
}
