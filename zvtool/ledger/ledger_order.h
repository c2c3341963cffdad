#pragma once
#include <string>
#include <vector>

#include "zvtool/ledger/ledger.h"

// The order in which the ledger's entries were made, as every command lists and names them:
// each workstation's entries in the order it made them (its sequence number; a line older
// than that key by its place in the log), which a clock set back cannot change, and the
// workstations interleaved by time stamp.

struct TOrderedEntry {
    const TLedgerEntry* entry = nullptr;
    int back = 0;              // its N in UNIT@N: 1 the newest of its unit
    bool clockBehind = false;  // dated before the entry its workstation made before it
};

// Every entry, newest first.
std::vector<TOrderedEntry> NewestFirst(const std::vector<TLedgerEntry>& entries);

// "UNIT@N" (the N-th newest entry of UNIT, 1 the newest) or an entry's permanent name. True
// and the entry when `name` has either form and the entry exists; false and `error` when it
// has the form but names no entry; false and an empty `error` when it has neither form.
bool FindLedgerEntry(const std::vector<TLedgerEntry>& entries, const std::string& name,
                     TLedgerEntry* entry, std::string* error);

// How a new entry spells `unit`: as the ledger's newest entry of that unit spells it, where
// names ignore case and the two differ in case only; else as given.
std::string LedgerSpelling(const std::vector<TLedgerEntry>& entries, const std::string& unit);

// The entries that `workstation` (as WorkstationWord gives it) made, with those of lines older
// than the workstation key: all that a run folder of this machine can remember, since the
// same path on another workstation of a shared ledger is another folder.
std::vector<TLedgerEntry> EntriesMadeBy(const std::vector<TLedgerEntry>& entries,
                                        const std::string& workstation);

// The newest entry made in `folder`: the unit last named there and the port it used;
// nullptr when there is none.
const TLedgerEntry* RememberedEntry(const std::vector<TLedgerEntry>& entries,
                                    const std::string& folder);

// The sequence number of the next entry `workstation` makes.
long long NextSeq(const std::vector<TLedgerEntry>& entries, const std::string& workstation);
