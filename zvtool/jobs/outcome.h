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
    int result = -1;  // the driver's result code; -1 when it gave none
    double seconds = 0;
    int records = -1;  // records in `file`; -1 when there is no file
    std::string file;  // the file written or sent
};

// Prints the outcome: the result code with its meaning and the file with its records, or one
// JSON object {job, result, meaning, seconds, records, file}.
void PrintOutcome(const TOutcome& outcome, bool json);

// The exit status of a run that was expected to end with `expected`: 0 when it did, the
// tool's own failure code when it has one, otherwise the driver's result code. Prints what
// to do about a failure on standard error, with the account of the run from the driver's
// trace when there is one, or how to get one.
int ExitStatusOf(const TDriverRun& run, int expected);

// After Ctrl-C stopped the driver: the running flag it left in "zordOUT.INI", on stderr.
void SayRunningFlag(const TDriverRun& run);

// The driver's trace file that a failed run is explained from (--trace), or "" for none.
void SetTraceFile(const std::string& path);

// The outcome as one JSON object, without a line end.
std::string OutcomeJson(const TOutcome& outcome);
