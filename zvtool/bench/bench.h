#pragma once
#include "zvtool/jobs/request.h"

// Many units at once: the job of the command line run on every unit of --ports or --units in
// parallel, each by a zvtool of its own in the unit's run folder (DIR/NAME under --dir or the
// current directory), so that each has its own driver, lock, trace and files. Shows one line
// per unit while they run and a table of outcomes at the end (--json: one object per unit).
// One unit failing does not stop the others; Ctrl-C stops all of them, and the table says
// what each holds. Returns the exit status (see BenchExit).
int RunBench(const TZvOptions& options);
