#include "tests/zvtool/virtual_driver.h"

#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "driver/driver.h"
#include "serial/link_frames.h"
#include "serial/pause.h"
#include "serial/trace.h"
#include "settings/ini.h"
#include "settings/profile.h"
#include "tests/fakes/fake_port.h"
#include "tests/fakes/fake_unit.h"
#include "ui/status_window.h"
#include "ui/status_window_posix.h"
#include "zvtool/platform/files.h"

namespace {

constexpr std::uint64_t kLookMs = 100;

// How a driver run that is stopped half-way ends: unwound from wherever it waits on the line,
// as a process that is killed ends there.
struct TKilled {};
struct TStopped {};

int PassNow(const std::string& folder) {
    return static_cast<int>(
        ProfileGetInt(kSection, "NowTransferingNo", 0, JoinPath(folder, kStatusFile).c_str()));
}

}  // namespace

TVirtualDriver::TVirtualDriver() {
    fake::StartUnit();
}

TVirtualDriver::~TVirtualDriver() {
    fake::SetClockWatcher(nullptr);
}

TJobContext TVirtualDriver::Context(const std::string& runFolder) {
    TJobContext context;
    context.runFolder = runFolder;
    context.driver = "/virtual/zordrive";
    context.stateFolder = JoinPath(runFolder, "state");
    context.trace = JoinPath(runFolder, "session.trace");
    context.ledger = {JoinPath(runFolder, "ledger"), "no ledger", "bench2"};
    context.runner.run = [this](const TDriverLaunch& launch, const TDriverWatch& watch,
                                TDriverExit* exit,
                                std::string* error) { return Run(launch, watch, exit, error); };
    context.clock.seconds = [] { return static_cast<double>(fake::NowMs()) / 1000; };
    context.clock.now = [] { return kVirtualEpoch + static_cast<long long>(fake::NowMs() / 1000); };
    context.clock.sleep = [](int milliseconds) {
        PauseMs(static_cast<std::uint32_t>(milliseconds));
    };
    context.cancel = &cancel;
    context.sink = [this](const TEvent& event) { events.push_back(event); };
    return context;
}

void TVirtualDriver::KillAtPass(int run, int pass, int exitStatus, bool byCtrlC) {
    killRun_ = run;
    killPass_ = pass;
    killStatus_ = exitStatus;
    killByCtrlC_ = byCtrlC;
}

void TVirtualDriver::KillAtMs(std::uint64_t ms) {
    killMs_ = ms;
}

void TVirtualDriver::CancelAtPass(int run, int pass) {
    cancelRun_ = run;
    cancelPass_ = pass;
}

void TVirtualDriver::RefuseStart(const std::string& why) {
    refuse_ = why;
}

void TVirtualDriver::AfterRun(int run, std::function<void()> what) {
    afterRun_ = run;
    after_ = std::move(what);
}

bool TVirtualDriver::Due(int run, int pass, std::uint64_t ms, const std::string& folder) const {
    if (ms != 0 && fake::NowMs() >= ms) {
        return true;
    }
    return run == runs && pass > 0 && PassNow(folder) >= pass;
}

bool TVirtualDriver::Run(const TDriverLaunch& launch, const TDriverWatch& watch, TDriverExit* exit,
                         std::string* error) {
    if (!refuse_.empty()) {
        *error = refuse_;
        return false;
    }
    ++runs;
    const std::string before = AbsolutePath(".");
    if (chdir(launch.folder.c_str()) != 0) {
        *error = "no run folder " + launch.folder;
        return false;
    }
    unsetenv(kTraceVariable);
    for (const auto& [name, value] : launch.environment) {
        setenv(name.c_str(), value.c_str(), 1);
    }
    // A new process: the link's first counter, a fresh status window.
    ComL1SetFrameCounter(1);
    StatusWindowReset();
    StatusWindowSetJobs(DriverJobCommands());
    StatusWindowCreate();
    const std::uint64_t start = fake::NowMs();
    const std::string folder = launch.folder;
    // zvtool looks at the driver every 100 ms of virtual time, between the driver's own steps.
    fake::SetClockWatcher([&](std::uint64_t from, std::uint64_t to) {
        for (std::uint64_t at = start + ((from - start) / kLookMs + 1) * kLookMs; at <= to;
             at += kLookMs) {
            if (Due(killRun_, killPass_, killMs_, folder)) {
                cancel.requested = cancel.requested || killByCtrlC_;
                throw TKilled{};
            }
            if (Due(cancelRun_, cancelPass_, 0, folder)) {
                cancel.requested = true;
            }
            if (!watch(static_cast<double>(at - start) / 1000)) {
                throw TStopped{};
            }
        }
    });
    exit->status = -1;
    if (watch(0)) {
        try {
            iniZorVekDriverStart();
            TraceBegin();
            exit->status = RunDriver();
        } catch (const TKilled&) {
            // Ended from outside: no result, and the exit status the killer gave.
            exit->status = killStatus_;
        } catch (const TStopped&) {
            exit->stopped = true;
        }
    } else {
        exit->stopped = true;
    }
    TraceEnd();
    fake::SetClockWatcher(nullptr);
    unsetenv(kTraceVariable);
    const bool back = chdir(before.c_str()) == 0;
    if (runs == afterRun_ && after_) {
        after_();
    }
    return back;
}
