#pragma once
#include <string>

#include "zvtool/jobs/job.h"

// What a driver run came to, judged against the job that was asked for: a result the job
// cannot give is no result of that job; a failure is explained from the job's trace at
// once, with the advice its cause calls for; a success that needed repeats says so.

// The outcome line's meaning of a result that the job asked for cannot give.
extern const char kNotTheJobMeaning[];

// The exit status of `run`, a run of `job` that does what was asked when it ends with
// `expected`. Fills the outcome (the result, its meaning for this job, the port, the trace's
// account, the failing module) and says what to check.
int JudgeRun(const TJobContext& context, TJobOutcome* outcome, const TDriverJob& job,
             const TDriverRun& run, int expected);

// After a fetch that the driver reported whole: kExitOk when `path` holds the `asked`
// records; else kExitNotTheJob, said, since the records asked for are not all there.
int CheckRecordCount(const TJobContext& context, TJobOutcome* outcome, const std::string& path,
                     int held, int asked);

// After Ctrl-C stopped the driver: the running flag it left in "zordOUT.INI".
void SayRunningFlag(const TJobContext& context, TJobOutcome* outcome, const TDriverRun& run);
