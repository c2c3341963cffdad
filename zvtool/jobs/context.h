#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "zvtool/jobs/events.h"
#include "zvtool/ledger/ledger_git.h"
#include "zvtool/ledger/ledger_store.h"
#include "zvtool/platform/files.h"

// Everything a job needs from outside, given to it whole: where it runs, how the driver is
// started and what time it is, where it reports its progress, and whether it is to stop. The
// core keeps no state of its own between calls, so that a terminal, a window and a test each
// give a job their own.

// One start of the driver: the program, the folder it runs in and what its environment adds.
struct TDriverLaunch {
    std::string program;
    std::string folder;
    std::vector<std::pair<std::string, std::string>> environment;
    // Told the driver's process once it runs; may be empty.
    std::function<void(long long process)> started;
    // The job's lock, which the driver holds with zvtool until it ends; nullptr for none.
    const TFileLock* lock = nullptr;
};

struct TDriverExit {
    bool stopped = false;  // stopped because the watch asked for it
    int status = -1;       // its exit status when it ended by itself; -1 when a signal ended it
};

// Called about every 100 ms while the driver runs, with the seconds since it started;
// returning false stops the driver.
using TDriverWatch = std::function<bool(double elapsed)>;

// How the driver is run: as a process (the terminal, the window), or in a test the driver's
// own job code against a simulated unit in virtual time.
struct TDriverRunner {
    // Starts the driver and waits for its end, calling `watch` on the way. False with the
    // reason when it cannot be started.
    std::function<bool(const TDriverLaunch& launch, const TDriverWatch& watch, TDriverExit* exit,
                       std::string* error)>
        run;
};

// zvtool's clocks: a steady one for the times of passes and jobs, and the wall clock for the
// ledger and the names of files.
struct TZvClock {
    std::function<double()> seconds;
    std::function<long long()> now;  // seconds since 1970-01-01 00:00 UTC
    std::function<void(int milliseconds)> sleep;
};

// A request to stop a job, set from outside (Ctrl-C, a window's Cancel), read by the job.
struct TCancelRequest {
    std::atomic<bool> requested{false};
};

struct TJobContext {
    std::string runFolder;    // absolute: the driver runs here, and its files lie here
    std::string driver;       // the driver program
    int port = 0;             // "Comport" to write for the job; 0 leaves it as it is
    std::string trace;        // the trace the driver writes ("" none), the job's account
    std::string stateFolder;  // zvtool's per-user state (session traces, Windows lock); "" none
    TLedgerPlace ledger;      // the ledger, and this workstation's name for its entries
    TGitRunner git;           // a shared ledger's git; empty: none (the ledger is not shared)
    TDriverRunner runner;
    TZvClock clock;
    const TCancelRequest* cancel = nullptr;
    TEventSink sink;  // may be empty
    // Told the process of each driver the job starts (the lock names it); may be empty.
    std::function<void(long long process)> driverStarted;
    // The lock the job holds (BeginJob), handed to each driver it starts; nullptr for none.
    const TFileLock* lock = nullptr;

    bool CancelRequested() const;
    void Emit(const TEvent& event) const;
};

// The runner that starts the driver as a process (platform/processes.h), checking `cancel`
// between its looks so that a stop is seen at once.
TDriverRunner ProcessRunner(const TCancelRequest* cancel);
// The system's clocks.
TZvClock SystemClock();
