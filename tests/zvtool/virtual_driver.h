#pragma once
// zvtool's jobs in virtual time: a driver runner that runs the driver's own job code in this
// process, in the job's run folder, against the fake unit of tests/fakes (the simulator's own
// unit model) on the fake line's virtual clock, and the zvtool clock that goes with it. The
// job's looks at the driver (every 100 ms) happen at their virtual times, so a pass, a stall
// and every repeat cost what they cost on the line, in milliseconds of real time.
//
//   TVirtualDriver driver;                  // a fresh, well-behaved unit
//   fake::SetUnitStatus(7, 1, 4);           // the unit refuses module 4
//   TJobContext context = driver.Context(folder);
//   RunBackup(context, request, &outcome);
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zvtool/jobs/context.h"

class TVirtualDriver {
  public:
    TVirtualDriver();
    ~TVirtualDriver();
    TVirtualDriver(const TVirtualDriver&) = delete;
    TVirtualDriver& operator=(const TVirtualDriver&) = delete;

    // A job's context for a run in `runFolder` (absolute): this runner and clock, the cancel
    // request below, a trace, a ledger and a state folder in `runFolder`, every event kept.
    TJobContext Context(const std::string& runFolder);

    // The driver is killed from outside (the line goes silent with it, "ComStatus" stays
    // unwritten) once its `run`-th run (1 the first) reports pass `pass`, or at `ms` of
    // virtual time. It ends with `exitStatus` (-1: a signal; Windows' End task gives 1), and
    // with `byCtrlC` the job's cancel request is set at the same moment, as when the console's
    // Ctrl-C reaches the driver as well as zvtool.
    void KillAtPass(int run, int pass, int exitStatus = -1, bool byCtrlC = false);
    void KillAtMs(std::uint64_t ms);
    // Ctrl-C: the job's cancel request is set once the `run`-th run reports pass `pass`.
    void CancelAtPass(int run, int pass);
    // The driver cannot be started at all.
    void RefuseStart(const std::string& why);
    // Something happens to the bench after the `run`-th run ended (a link taken away).
    void AfterRun(int run, std::function<void()> what);

    TCancelRequest cancel;
    std::vector<TEvent> events;
    int runs = 0;  // driver runs started

  private:
    bool Run(const TDriverLaunch& launch, const TDriverWatch& watch, TDriverExit* exit,
             std::string* error);
    // Whether the run under way is to be killed or cancelled at the driver's state now.
    bool Due(int run, int pass, std::uint64_t ms, const std::string& folder) const;

    int killRun_ = 0;
    int killPass_ = 0;
    int killStatus_ = -1;
    bool killByCtrlC_ = false;
    std::uint64_t killMs_ = 0;
    int cancelRun_ = 0;
    int cancelPass_ = 0;
    std::string refuse_;
    int afterRun_ = 0;
    std::function<void()> after_;
};

// 2026-12-09 04:30:12 UTC: the wall clock of every virtual run starts here.
constexpr long long kVirtualEpoch = 1796790612;
