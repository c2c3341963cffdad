#pragma once
#include <string>

struct TCommandRow;

// zvtool's help texts: the whole program, and each command, from the command table and the
// option table.
std::string MainHelpText();
std::string CommandHelpText(const TCommandRow& row);
void PrintMainHelp();
void PrintCommandHelp(const TCommandRow& row);
// "Try 'zvtool fetch --help'." (or 'zvtool --help' for no command) on stderr.
void PrintUsageHint(const std::string& command);
