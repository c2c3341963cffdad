#include "zvtool/jobs/context.h"

#include <chrono>
#include <ctime>
#include <string>

#include "zvtool/platform/processes.h"

namespace {

constexpr int kLookMs = 100;

}  // namespace

bool TJobContext::CancelRequested() const {
    return cancel != nullptr && cancel->requested.load();
}

void TJobContext::Emit(const TEvent& event) const {
    if (sink) {
        sink(event);
    }
}

TDriverRunner ProcessRunner(const TCancelRequest* cancel) {
    TDriverRunner runner;
    runner.run = [cancel](const TDriverLaunch& launch, const TDriverWatch& watch, TDriverExit* exit,
                          std::string* error) {
        TSpawn spawn;
        spawn.argv = {launch.program};
        spawn.folder = launch.folder;
        spawn.environment = launch.environment;
        spawn.lock = launch.lock;
        TProcess process;
        if (!SpawnProcess(spawn, &process, error)) {
            return false;
        }
        if (launch.started) {
            launch.started(process.id);
        }
        using Clock = std::chrono::steady_clock;
        const Clock::time_point start = Clock::now();
        const auto elapsed = [start] {
            return std::chrono::duration<double>(Clock::now() - start).count();
        };
        const std::atomic<bool>* stop = cancel != nullptr ? &cancel->requested : nullptr;
        for (double at = 0;; at = elapsed()) {
            if (!watch(at)) {
                StopProcess(&process);
                exit->stopped = true;
                exit->status = -1;
                return true;
            }
            if (WaitProcess(&process, kLookMs, stop, &exit->status, nullptr)) {
                return true;
            }
        }
    };
    return runner;
}

TZvClock SystemClock() {
    TZvClock clock;
    clock.seconds = [] {
        using Clock = std::chrono::steady_clock;
        return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
    };
    clock.now = [] { return static_cast<long long>(std::time(nullptr)); };
    clock.sleep = [](int milliseconds) { SleepMs(milliseconds); };
    return clock;
}
