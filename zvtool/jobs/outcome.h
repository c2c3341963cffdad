#pragma once
#include <string>

#include "zvtool/jobs/job.h"
#include "zvtool/jobs/progress.h"

// What zvtool prints of a run besides its errors: the progress while the driver runs, on
// standard error, and the outcome at the end, on standard output.

// The progress of one run: a line redrawn in place on a terminal, plain lines otherwise.
struct TProgressOutput {
    bool terminal = false;
    std::size_t shown = 0;  // characters of the line now on the terminal

    // The job's name, once, where the lines are plain.
    void Begin(const std::string& what);
    // A job without passes: the spinner, on a terminal.
    void Spin(const std::string& what, int tick, double elapsed);
    // The passes: the bar on a terminal; otherwise a line for a new pass and for a stall.
    void Show(const TPassProgress& progress, TPassEvent event);
    // Takes the redrawn line off the terminal.
    void Clear();
};

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
