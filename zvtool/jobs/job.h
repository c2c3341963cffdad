#pragma once
#include <string>
#include <vector>

#include "zvtool/jobs/context.h"
#include "zvtool/jobs/job_outcome.h"
#include "zvtool/jobs/job_results.h"

// One driver run: the job keys written into "zordrive.INI", the driver started in the run
// folder and followed to its end, its passes and stalls reported as events.

struct TJobKey {
    const char* key;
    int value;
};

struct TDriverJob {
    std::string what;                 // "fetching the central record", for the progress line
    std::vector<TJobKey> keys;        // the job's keys; every other key of the file stays
    std::vector<int> passModules;     // the module number of each pass; empty: a job without passes
    int firstPassNumber = 1;          // "NowTransferingNo" of the first pass
    TJobKind kind = TJobKind::kTest;  // which of the driver's jobs the keys select
};

struct TDriverRun {
    bool started = false;   // the driver was started (its keys were all written)
    int toolExit = 0;       // zvtool's own failure (69, 70, 73, 130), or 0
    int result = -1;        // the driver's result code ("ComStatus"); -1 when it gave none
    int exitStatus = -1;    // the driver's exit status, when it ended by itself
    bool noStatus = false;  // it ended with a result code as its exit status but no "ComStatus"
    // It ended without "ComStatus" but left "ZorVekDriverRunning=1" in the status file zvtool
    // reads (cleared before it started): it began the job and was ended from outside.
    bool killed = false;
    double seconds = 0;
    int lastPass = 0;      // the last pass the driver reported, 0 for none
    bool running = false;  // "ZorVekDriverRunning" as the driver left it (after a stop)
};

// Runs `job` once; what went wrong on zvtool's side is said into `end`.
TDriverRun RunDriverJob(const TJobContext& context, TJobOutcome* outcome, const TDriverJob& job);

// Keeps `message` in `end` and sends it to the job's sink: the exit status it stands for.
int Say(const TJobContext& context, TCommandEnd* end, const TMessage& message);
// Says `error`: its exit status, for `return Fail(...)`.
int Fail(const TJobContext& context, TCommandEnd* end, const TZvError& error);
