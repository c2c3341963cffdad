#pragma once
#include <string>
#include <vector>

#include "zvtool/jobs/job_results.h"

// One driver run: the job keys written into "zordrive.INI", the driver started in the current
// directory and waited for, with progress on standard error while it runs.

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

// Where and how zvtool runs the driver, fixed for the whole command.
struct TZvContext {
    std::string driver;  // the program
    int port = 0;        // "Comport", 0: leave it
    bool terminal = false;
};

struct TDriverRun {
    bool started = false;   // the driver was started (its keys were all written)
    int toolExit = 0;       // zvtool's own failure (69, 70, 73, 130), or 0
    int result = -1;        // the driver's result code ("ComStatus"); -1 when it gave none
    int exitStatus = -1;    // the driver's exit status, when it ended by itself
    bool noStatus = false;  // it ended with a result code as its exit status but no "ComStatus"
    double seconds = 0;
    int lastPass = 0;      // the last pass the driver reported, 0 for none
    bool running = false;  // "ZorVekDriverRunning" as the driver left it (after a stop)
};

TDriverRun RunDriverJob(const TZvContext& context, const TDriverJob& job);
