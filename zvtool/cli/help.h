#pragma once
#include <string>

#include "zvtool/platform/files.h"

struct TCommandRow;

// zvtool's help texts: the whole program, and each command, from the command table and the
// option table, as they read on `system` (each names that system's paths and things only).
std::string MainHelpText(TSystem system);
std::string CommandHelpText(const TCommandRow& row, TSystem system);
void PrintMainHelp();
void PrintCommandHelp(const TCommandRow& row);
// "Try 'zvtool fetch --help'." (or 'zvtool --help' for no command) on stderr.
void PrintUsageHint(const std::string& command);
