#pragma once
#include <string>
#include <vector>

// The ledger: every backup zvtool takes, and the copy of a unit taken before each restore,
// kept per user with where and when it was taken. A folder of record files, each exactly the
// backup as written (the driver's layout, so the driver can send it again), and one
// append-only text log, "ledger.log", one line an entry, so that `cat` reads it and a copy of
// the folder is the whole history:
//   2026-12-09 04:30:12 UTC backup unit=pump-3 port=COM1 version=1.0 records=201
//   sha256=9f86... file=pump-3/20261209-043012-backup.dat folder=/srv/line 3
// (one line). "folder=" is the run folder and takes the rest of the line; it is how a folder
// remembers the unit last named there.

constexpr char kLedgerLogName[] = "ledger.log";

struct TLedgerEntry {
    long long time = 0;   // seconds since 1970-01-01 00:00 UTC
    std::string kind;     // "backup" or "pre-restore"
    std::string unit;     // the unit's name (kUnitNameChars only)
    std::string port;     // "COM1"; "-" when not known
    std::string version;  // the unit's version, "1.0"; "-" when not known
    int records = 0;      // the records the file holds
    std::string sha256;   // of the file's bytes
    std::string file;     // the record file, relative to the ledger folder
    std::string folder;   // the run folder
};

// One log line without its line end, and back; false for a line that is not an entry (a
// damaged or foreign line is skipped, never fatal: the log is a text a person may edit).
std::string FormatLedgerLine(const TLedgerEntry& entry);
bool ParseLedgerLine(const std::string& line, TLedgerEntry* entry);
// Every entry of a log's text, in log order.
std::vector<TLedgerEntry> ParseLedgerLog(const std::string& text);

// A unit name is 1 to 64 of letters, digits, '.', '_' and '-', not starting with '.': it is
// a folder name in the ledger on every system and one word in the log.
bool IsUnitName(const std::string& name);

// "UNIT@N": the N-th newest entry (1 the newest) of UNIT. True and the entry when `name` has
// that form and the entry exists; false and `error` when it has the form but no such entry;
// false and an empty `error` when `name` is not of that form.
bool FindLedgerEntry(const std::vector<TLedgerEntry>& entries, const std::string& name,
                     TLedgerEntry* entry, std::string* error);

// The unit last named in `folder`, or "".
std::string RememberedUnit(const std::vector<TLedgerEntry>& entries, const std::string& folder);
