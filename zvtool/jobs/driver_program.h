#pragma once
#include <string>

#include "zvtool/error.h"

// Which driver program a job starts, as every front end finds it: the one named (the
// terminal's --driver), else the one beside the running program, else the first on the search
// path. True with the absolute path in `driver`; false with kExitUnavailable and what to do.
bool FindDriverProgram(const std::string& named, std::string* driver, TZvError* error);
