#pragma once
#include <string>

#include "zvtool/error.h"
#include "zvtool/jobs/request.h"

// zvtool's command line, parsed without side effects through its option table so that a
// table of command lines can test it.

// Parses the whole command line (argv[0] is the program). True and `options` filled; or false
// and `error`: the usage exit status of the command (64; 2 for check, show and diff), the line
// saying what is wrong and the command it concerns. --help and --version stop the checks of
// the rest, so that `zvtool fetch --help` works without a range.
bool ParseCommandLine(int argc, const char* const* argv, TZvOptions* options, TZvError* error);

// "A-B", "N" or "all" (1-200); A must not be above B. False for anything else.
bool ParseModuleRange(const std::string& text, int* first, int* last);

// Whether `name` is one of zvtool's command words.
bool IsCommandWord(const std::string& name);

// The options `command` accepts ("" for zvtool's own), as help lines from the option table.
std::string OptionsHelpFor(const std::string& command);
