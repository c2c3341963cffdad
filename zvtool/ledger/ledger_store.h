#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/ledger/ledger.h"

// The ledger on disk: what it holds, and keeping a new entry in it.

// Where the ledger is: its folder, or why there is none ("neither XDG_DATA_HOME nor HOME is
// set").
struct TLedgerPlace {
    std::string folder;
    std::string missing;
};

// Every entry of the ledger's log; an absent log is an empty ledger. False and `error` when
// there is no ledger folder or the log exists but cannot be read.
bool ReadLedger(const TLedgerPlace& place, std::vector<TLedgerEntry>* entries, std::string* error);

// The path of an entry's record file.
std::string LedgerFilePath(const std::string& folder, const TLedgerEntry& entry);

// What to keep: the record file `path` (a whole backup) as `kind` of unit `unit`.
struct TKeepRequest {
    std::string path;
    std::string kind;  // "backup" or "pre-restore"
    std::string unit;
    std::string port;     // "COM1", or "-"
    std::string version;  // "1.0", or "-"
    std::string folder;   // the run folder
    long long time = 0;   // when it was taken
};

// Copies the file into the ledger under the unit's folder and appends its entry to the log,
// the entry last so that the log names only files that are there. No error and `kept`
// filled, or an error saying what could not be done: the job that took the backup has done
// its work all the same, so the caller tells the technician and goes on.
TZvError KeepInLedger(const TLedgerPlace& place, const TKeepRequest& request, TLedgerEntry* kept);

// The unit to file a backup under: `given` (--unit) when not empty, else the unit last named
// in the run folder, else "unnamed".
std::string UnitForFolder(const TLedgerPlace& place, const std::string& given,
                          const std::string& folder);
