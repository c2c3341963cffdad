#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/ledger/ledger.h"
#include "zvtool/ledger/ledger_store.h"

// The ledger's commands: history and units return what it holds; diff names its files as
// UNIT@N.

// An entry as the commands list it: its name UNIT@N and the path of its copy.
struct TListedEntry {
    std::string name;
    std::string path;
    TLedgerEntry entry;
};

struct THistoryResult {
    std::string folder;
    std::string unit;                   // the unit asked for; "" every unit
    std::vector<TListedEntry> entries;  // newest first
    long long now = 0;                  // for the ages
    TCommandEnd end;
};
// Every entry of `unit` ("" every unit), newest first, each with the UNIT@N that names it.
THistoryResult LedgerHistory(const TLedgerPlace& place, const std::string& unit, long long now);

struct TUnitSummary {
    std::string unit;
    int kept = 0;
    TListedEntry last;
};
struct TUnitsResult {
    std::string folder;
    std::vector<TUnitSummary> units;  // by name
    long long now = 0;
    TCommandEnd end;
};
// Each unit's last entry and how many are kept.
TUnitsResult LedgerUnits(const TLedgerPlace& place, long long now);

// Replaces each UNIT@N among `files` that is not a file of that name by the ledger's file of
// that entry. No error, or why one cannot be found (kExitDiffTrouble, for diff).
TZvError ResolveLedgerNames(const TLedgerPlace& place, std::vector<std::string>* files);
