#pragma once
#include "zvtool/cli/commands.h"

// The terminal's run of each kind of command: each calls the core, prints its result as text
// or JSON, and returns the exit status.
int RunJobCommand(const TCliRun& cli);
int RunCheckCommand(const TCliRun& cli);
int RunShowCommand(const TCliRun& cli);
int RunDiffCommand(const TCliRun& cli);
int RunSetCommand(const TCliRun& cli);
int RunHistoryCommand(const TCliRun& cli);
int RunUnitsCommand(const TCliRun& cli);
int RunLedgerCommand(const TCliRun& cli);
int RunPortsCommand(const TCliRun& cli);
