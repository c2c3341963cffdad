#pragma once
#include "zvtool/jobs/request.h"

// `zvtool ports`: the machine's serial ports and the run folder's COMn entries (--dir, or
// the current directory), as text or with --json as one object. Returns the exit status.
int RunPorts(const TZvOptions& options);
