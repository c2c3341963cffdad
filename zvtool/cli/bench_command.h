#pragma once
#include "zvtool/cli/commands.h"

// A job on many units at once from the terminal (--ports, --units): each unit's job by a
// zvtool of its own, given the command line as it stands less the bench's own options.
int RunBenchCommand(const TCliRun& cli);
