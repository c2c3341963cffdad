#pragma once
#include "sim/options.h"

// A bench of simulated units in one program: each --link is served as a unit of its own,
// with its own line, store and state, so that no unit's traffic or fault can reach another.
// POSIX: one child process per unit, which the program stops together on a stop request
// and waits for; the exit status is the worst of theirs. Windows has no pseudo-terminals
// (and so no --link); there it reports that.
int ServeUnits(const SimOptions& options, int (*serveUnit)(const SimOptions& unit));
