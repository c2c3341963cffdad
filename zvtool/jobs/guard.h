#pragma once
#include <string>

#include "zvtool/jobs/context.h"
#include "zvtool/jobs/request.h"
#include "zvtool/platform/files.h"

// What every zvtool job holds while it runs: the lock on the driver's files, taken before
// zvtool touches any of them, and the driver's trace for the job (the session trace in the
// per-user log folder, or the file --trace names).

struct TJobSession {
    TFileLock lock;
    std::string job;  // what the lock file names
    std::string started;
};

// Takes the lock for `commandLine` ("backup -o b.dat") and sets the context's trace
// (`traceFile` from --trace, or "" for a session trace). kExitOk; or kExitLocked when another
// job holds the lock, kExitCannotCreate when the lock cannot be written there or one of the
// files `job` writes is a link another account made (job_files.h), said into `end`.
int BeginJob(TJobContext* context, const TJobRequest& job, const std::string& commandLine,
             const std::string& traceFile, TJobSession* session, TCommandEnd* end);

// Gives the lock up, once the job's last driver has ended.
void EndJob(TJobSession* session);

// After a job refused as another unit than the one it was to go on with (kExitNotTheSame),
// leads the run folder's COM1 back to `before` (Com1Target before the job moved it), said
// into `end`.
void PutPortBack(const TJobContext& context, const std::string& before, TCommandEnd* end);

// The largest trace zvtool reads; a trace that several runs appended to may grow, and the
// account reads its last run.
constexpr std::size_t kMaxTraceBytes = 64u * 1024 * 1024;

// The job's trace as it stands ("" when there is none).
std::string TraceText(const TJobContext& context);
