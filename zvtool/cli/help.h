#pragma once
#include <string>

// zvtool's help texts: the whole program, and each command; the options come from the
// option table (cli/options.cpp).
void PrintMainHelp();
// False when `command` is no command word.
bool PrintCommandHelp(const std::string& command);
// "Try 'zvtool fetch --help'." (or 'zvtool --help' for no command) on stderr.
void PrintUsageHint(const std::string& command);
