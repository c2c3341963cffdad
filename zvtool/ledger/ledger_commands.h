#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"

// The ledger's commands: history and units print what it holds; diff names its files as
// UNIT@N. Each prints on stdout and returns zvtool's exit status.

// Every entry of `unit` ("" every unit), newest first, each with the UNIT@N that names it.
int RunHistory(const std::string& unit, long long now);
// Each unit's last backup and its age.
int RunUnits(long long now);

// Replaces each UNIT@N among `files` that is not a file of that name by the ledger's file of
// that entry. No error, or why one cannot be found (kExitDiffTrouble, for diff).
TZvError ResolveLedgerNames(std::vector<std::string>* files);
