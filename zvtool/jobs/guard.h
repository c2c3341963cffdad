#pragma once
#include <string>

#include "zvtool/jobs/run_lock.h"

// What every zvtool job holds while it runs: the lock on the driver's files, taken before
// zvtool touches any of them, and the driver's trace for the job (the session trace in the
// per-user log folder, or the file --trace names).

struct TJobSession {
    TRunLock lock;
    std::string trace;  // the file ZORDRIVE_TRACE names for the driver; "" for none
};

// Takes the lock for `commandLine` ("backup -o b.dat") and sets up the trace (`traceFile`
// from --trace, or "" for a session trace). kExitOk; or kExitLocked when another job holds
// the lock, kExitCannotCreate when the lock cannot be written there, with the message said.
int BeginJob(const std::string& commandLine, const std::string& traceFile, TJobSession* session);

// Gives the lock up, once the job's last driver has ended.
void EndJob(TJobSession* session);

// The trace of the job, for the account after a run ("" for none), and its text as it
// stands ("" when there is none).
const std::string& JobTrace();
std::string JobTraceText();
