#pragma once
#include <functional>
#include <string>
#include <vector>

#include "zvtool/bench/units.h"
#include "zvtool/error.h"
#include "zvtool/jobs/context.h"
#include "zvtool/jobs/job_outcome.h"

// Many units at once: one job on every unit of --ports or --units in parallel, each in its
// own run folder (BASE/NAME), so that each has its own driver, lock, trace and files. Each
// unit's line is reported as it changes; one unit failing does not stop the others; a cancel
// stops all of them, and each says what it holds. How a unit's job is run is the launcher's:
// a zvtool of its own for each (the terminal), or the core's job in this process (tests).

// How one unit's job ended.
struct TUnitOutcome {
    std::string name;
    std::string port;
    int exit = -1;          // its job's exit status; -1 when it did not end by itself
    int result = -1;        // the driver's result code of its job; -1 for none
    std::string meaning;    // the result's meaning
    std::string error;      // why its job failed, as it said it
    std::string lastWords;  // the last thing it said (for a failure without an error)
    int records = -1;       // records in its file; -1 for none
    std::string file;
    double seconds = 0;     // wall time of the unit's run
    double cpuSeconds = 0;  // processor time of its zvtool and its driver
    std::string json;       // its zvtool's own JSON object, "" when it printed none
    std::string log;        // where what it said went, "" nowhere but the bench's events
};

// A unit's outcome from its job's outcome, for a unit whose job ran in this process.
TUnitOutcome UnitOutcomeOf(const TJobOutcome& job);

// How the unit's job ended, in words: "ok", "stopped by Ctrl-C", "result 4: ...", or
// "exit 73: ..." with its error.
std::string UnitResultText(const TUnitOutcome& outcome);

// Runs the units' jobs. Units are numbered by their place in the bench.
struct TUnitLauncher {
    // Starts unit `index` in `folder`: false with the reason.
    std::function<bool(std::size_t index, const TBenchUnit& unit, const std::string& folder,
                       std::string* error)>
        start;
    // Whether the unit's job has ended, and then how (name, port and seconds are the bench's).
    std::function<bool(std::size_t index, TUnitOutcome* outcome)> ended;
    // Its last progress line, while it runs.
    std::function<std::string(std::size_t index)> lastLine;
    // Passes the cancel on: the unit's job stops its driver and says what it holds.
    std::function<void(std::size_t index)> interrupt;
    // What it said of the records it holds after it was stopped.
    std::function<std::vector<std::string>(std::size_t index)> heldLines;
};

struct TBenchOutcome {
    std::vector<TUnitOutcome> units;
    bool interrupted = false;
    TCommandEnd end;
};

// Runs the bench in `context.runFolder`, each unit in a folder of its own name below it.
void RunBench(const TJobContext& context, const std::vector<TBenchUnit>& units,
              const TUnitLauncher& launcher, TBenchOutcome* outcome);

// The bench's exit status: 0 when every unit's was 0, 130 when it was stopped, otherwise the
// highest of the units' exit statuses.
int BenchExit(const std::vector<TUnitOutcome>& outcomes, bool interrupted);
