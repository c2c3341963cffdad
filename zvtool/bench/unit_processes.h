#pragma once
#include <functional>
#include <string>
#include <vector>

#include "zvtool/bench/bench.h"

// A bench whose units each run in a zvtool of its own, started in the unit's folder: its
// standard output (its JSON object) goes to BASE/NAME.json, its standard error (progress
// lines and messages) to BASE/NAME.log, which the bench reads for the unit's line.

using TUnitCommandLine =
    std::function<std::vector<std::string>(const TBenchUnit& unit, const std::string& folder)>;

TUnitLauncher ProcessLauncher(const std::string& base, const TUnitCommandLine& commandLine);

// The value of a top-level key of one of zvtool's own JSON objects: a string (unescaped) or
// a number as its text; false when the key is not there or is null.
bool JsonField(const std::string& json, const std::string& key, std::string* value);

// The last line of a log that says something; a line redrawn with CR counts from its last CR.
std::string LastLogLine(const std::string& text);
