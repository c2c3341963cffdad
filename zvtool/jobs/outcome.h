#pragma once
#include <string>

#include "zvtool/jobs/job.h"

// How a command ended, for the person or (with --json) the script that ran it.
struct TOutcome {
    std::string job;  // "fetch modules 1-5"
    double seconds = 0;
    int records = -1;  // records in `file`; -1 when there is no file
    std::string file;  // the file written or sent
};

// Puts the outcome into the command's report and, without --json, prints it: the result
// with its meaning for the job that ran (as the verdict on the run put it into the report)
// and the file with its records.
void PrintOutcome(const TOutcome& outcome);

// After Ctrl-C stopped the driver: the running flag it left in "zordOUT.INI", on stderr.
void SayRunningFlag(const TDriverRun& run);
