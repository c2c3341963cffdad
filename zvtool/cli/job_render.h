#pragma once
#include <string>

#include "zvtool/cli/json.h"
#include "zvtool/error.h"
#include "zvtool/jobs/job_outcome.h"

// How the terminal shows a job's outcome: its last lines on standard output, or its JSON
// object; and the keys every command's object starts with.

// "version", "command", "exit" and "error".
TJsonValues EnvelopeValues(const std::string& command, const TCommandEnd& end);

// The job's object: the envelope, the job's keys and those of backup and restore.
std::string JobJson(unsigned commandBit, const TJobOutcome& outcome);

// "plan: ..." of a restore, before it sends.
std::string PlanText(const TJobOutcome& outcome);
// The lines at the end of a job: the result and its meaning, the file and its records; for a
// restore its summary.
std::string JobEndText(const TJobOutcome& outcome);
