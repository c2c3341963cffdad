#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/ledger/ledger.h"

// The ledger on disk: what it holds, whether each copy is what its line says, and keeping a
// new entry in it.

// Where the ledger is: its folder, or why there is none ("neither XDG_DATA_HOME nor HOME is
// set"); and this workstation's name for the entries it makes.
struct TLedgerPlace {
    std::string folder;
    std::string missing;
    std::string workstation;
};

// The ledger's log read; an absent log is an empty ledger. False and `error` when there is no
// ledger folder, or the log or its folder cannot be read (the system's reason), never "empty".
bool ReadLedger(const TLedgerPlace& place, TLedgerLog* log, std::string* error);

// The path of an entry's record file.
std::string LedgerFilePath(const std::string& folder, const TLedgerEntry& entry);

// The ledger's folder, its log, the folders of its units and its copies that other accounts
// may change, each once, as "PATH can be changed by other accounts: its group and others may
// write it (mode 0777)". A ledger is the user's own (its folders 0700, its files 0600): a
// copy that another account may rewrite is no record of what a unit held.
std::vector<std::string> OpenToOthers(const std::string& folder,
                                      const std::vector<TLedgerEntry>& entries);

// Whether an entry's copy is what its line says.
enum class TCopyState { kSound, kDamagedLine, kMissing, kAltered, kUnreadable };
struct TCopyCheck {
    TCopyState state = TCopyState::kSound;
    std::string sha256;  // the copy's SHA-256 as it is now (kAltered)
    std::string reason;  // kUnreadable: the system's reason; kDamagedLine: what is wrong
};
TCopyCheck VerifyCopy(const std::string& folder, const TLedgerEntry& entry);
// "sound", "its line does not read", "missing", "altered", "unreadable".
const char* CopyStateWords(TCopyState state);
// What is wrong with an entry's copy, naming the file and both hashes; "" for a sound copy.
std::string CopyTrouble(const std::string& folder, const TLedgerEntry& entry,
                        const TCopyCheck& check);

// What to keep: the records `text` (a whole copy of the unit) as `kind` of unit `unit`.
struct TKeepRequest {
    std::string text;
    std::string source;  // where the records are besides, for messages ("" nowhere else)
    std::string kind;
    std::string unit;
    std::string port;     // the port's identity, or "-"
    std::string version;  // "1.0", or "-"
    std::string folder;   // the run folder
    long long time = 0;   // when it was taken
};

// Writes the copy into the ledger under the unit's folder and appends its entry to the log,
// the entry last so that the log names only files that are there. No error and `kept`
// filled, or an error saying what could not be done and why (the system's words).
TZvError KeepInLedger(const TLedgerPlace& place, const TKeepRequest& request, TLedgerEntry* kept);

// The unit to file a copy under: `given` (--unit) when not empty, else the unit last named
// in the run folder, else "unnamed".
std::string UnitForFolder(const std::vector<TLedgerEntry>& entries, const std::string& given,
                          const std::string& folder);
