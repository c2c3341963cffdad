#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/ledger/ledger.h"
#include "zvtool/ledger/ledger_store.h"

// The ledger's commands: history, units and ledger check return what it holds and whether
// each copy is what its line says; the commands that read a file take a ledger entry's name
// for it (ResolveLedgerNames). Every one reports the log's lines that do not read.

// An entry as the commands list it: its name UNIT@N, the path of its copy and what its copy
// was found to be.
struct TListedEntry {
    std::string name;
    std::string path;
    TLedgerEntry entry;
    TCopyCheck check;
    bool clockBehind = false;
};

struct THistoryResult {
    std::string folder;
    std::string unit;                   // the unit asked for; "" every unit
    std::vector<TListedEntry> entries;  // newest first
    long long now = 0;                  // for the ages
    TCommandEnd end;
};
// Every entry of `unit` ("" every unit), newest first, each copy verified.
THistoryResult LedgerHistory(const TLedgerPlace& place, const std::string& unit, long long now);

struct TUnitSummary {
    std::string unit;
    int kept = 0;       // sound copies
    int damaged = 0;    // copies missing, altered or unreadable, lines that do not read
    TListedEntry last;  // the newest sound one (the newest at all when none is sound)
};
struct TUnitsResult {
    std::string folder;
    std::vector<TUnitSummary> units;  // by name
    long long now = 0;
    TCommandEnd end;
};
TUnitsResult LedgerUnits(const TLedgerPlace& place, long long now);

// `zvtool ledger check`: every line and every copy; exit 0 sound, 1 problems, 2 the ledger
// could not be read.
struct TLedgerCheckResult {
    std::string folder;
    int entries = 0;
    std::vector<std::string> problems;  // each in words
    TCommandEnd end;
};
TLedgerCheckResult CheckLedger(const TLedgerPlace& place);

// Replaces each name of a ledger entry among `files` (UNIT@N or a permanent name) that is not
// a file of that name by the path of its copy, once the copy is found sound. No error, or why
// one cannot be used: `troubleExit` (the command's own, for a name that names nothing or a
// ledger that cannot be read), kExitLedgerDamaged for a copy that is not what its line says.
// What the log says wrong on the way goes into `end`.
TZvError ResolveLedgerNames(const TLedgerPlace& place, int troubleExit,
                            std::vector<std::string>* files, TCommandEnd* end);

// Whether `word` could name a ledger entry (UNIT@N, UNIT/NAME) rather than a file.
bool LooksLikeLedgerName(const std::string& word);
