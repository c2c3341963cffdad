#pragma once
#include "sim/options.h"
#include "sim/unit.h"

// Exit statuses of minizv-sim.
constexpr int kExitDone = 0;
constexpr int kExitLineFailed = 1;
constexpr int kExitUsage = 2;

// Serves the open line with `unit` until a stop request (kExitDone), a failed line
// (kExitLineFailed) or --exit-after (kExitDone, once the last answer is out).
int Serve(const SimOptions& options, SimUnit& unit);
