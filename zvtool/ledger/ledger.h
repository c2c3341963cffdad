#pragma once
#include <string>
#include <vector>

// The ledger: every backup zvtool takes, the copy of a unit taken before each restore and
// the unit's state after a verified restore, kept per user with where and when it was taken.
// A folder of record files, each exactly the copy as written (the driver's layout, so the
// driver can send it again), and one append-only text log, "ledger.log", one line an entry,
// so that `cat` reads it and a copy of the folder is the whole history:
//   2026-12-09 04:30:12 UTC backup unit=pump-3 port=/dev/ttyUSB0 version=1.0 records=201
//   sha256=9f86... file=pump-3/20261209-043012-9f86d081-bench2.dat
//   id=pump-3/20261209-043012-9f86d081-bench2 workstation=bench2 seq=17 folder=/srv/line 3
// (one line). "folder=" is the run folder and takes the rest of the line; it is how a folder
// remembers the unit last named there. Every other value holds no space and is never empty,
// so that a reader skips a key it does not know. Nothing removes an entry.

constexpr char kLedgerLogName[] = "ledger.log";

// The kinds of entry.
constexpr char kKindBackup[] = "backup";
constexpr char kKindPreRestore[] = "pre-restore";
constexpr char kKindRestored[] = "restored";  // the unit's state after a verified restore
constexpr char kKindCopy[] = "copy";          // the unit as a dry run read it

struct TLedgerEntry {
    long long time = 0;       // seconds since 1970-01-01 00:00 UTC
    std::string kind;         // one of the kinds above
    std::string unit;         // the unit's name (see IsUnitName)
    std::string port;         // the port the job used ("/dev/ttyUSB0", "usb:0403:6001:A1"); "-"
    std::string version;      // the unit's version, "1.0"; "-" when not known
    int records = 0;          // the records the file holds
    std::string sha256;       // of the file's bytes
    std::string file;         // the record file, relative to the ledger folder, with the
                              // separator of the system that wrote the line
    std::string id;           // the entry's permanent name (see EntryId)
    std::string workstation;  // where it was made; "" for a line older than this key
    long long seq = 0;        // its place among its workstation's entries; 0 for an older line
    std::string folder;       // the run folder
    int line = 0;             // its line in the log, from 1
    std::string damage;       // what is wrong with its line; "" for a line that reads
};

// One log line without its line end. The entry's `line` and `damage` are not written.
std::string FormatLedgerLine(const TLedgerEntry& entry);

// One line read back: true with the entry; false with `why` it is no entry. A line that has
// its time stamp and unit but fails elsewhere gives those in `entry` (and its id, when its
// line names one), so that it keeps its place among the unit's entries.
bool ParseLedgerLine(const std::string& line, TLedgerEntry* entry, std::string* why);

// A log line that does not read.
struct TLedgerProblem {
    int line = 0;
    std::string what;
};

// What a log's text holds: its entries in log order (those whose line is damaged but whose
// time and unit read, with `damage` set), every line that does not read, and whether the
// text ends in the middle of a line (a write that was cut off). A UTF-8 byte-order mark at
// its top and CR LF line ends are read as editors write them.
struct TLedgerLog {
    std::vector<TLedgerEntry> entries;
    std::vector<TLedgerProblem> problems;
    bool endsMidLine = false;
};
TLedgerLog ParseLedgerLog(const std::string& text);

// The unit-name rule. A unit's name is 1 to 64 ASCII letters, digits, '.', '_' and '-', not
// starting with '.', so that it is one word in the log; and it is a folder's name in the
// ledger on every system (a ledger is copied and shared between machines), so it is none of
// the names Windows keeps for its devices: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, in
// any case, also with an extension ("con.old"). Where the file system ignores case (Windows),
// names that differ in case only are one unit and one folder ("Pump-3" is "pump-3").
enum class TUnitName { kGood, kNotAName, kDeviceName };
TUnitName CheckUnitName(const std::string& name);
// Why `name` cannot be a new unit's name, for a refusal; "" when it can.
std::string UnitNameProblem(const std::string& name);
// Whether a log line's unit reads: a good name, or a device name that an older zvtool took on
// POSIX (its entries stay readable, where the system can hold their folder).
bool IsUnitName(const std::string& name);
// Whether two names are one unit's, with case ignored where the file system ignores it.
bool SameUnitName(const std::string& a, const std::string& b, bool ignoreCase);
// What a unit is filed under in a list of units: its name, lower case where case is ignored.
std::string UnitKey(const std::string& name, bool ignoreCase);
// What a unit name may be, for a refusal.
extern const char kUnitNameRule[];

// A workstation's name as the ledger writes it: letters, digits, '.', '_' and '-' only (any
// other character becomes '-'), "local" for none.
std::string WorkstationWord(const std::string& name);

// The permanent name of an entry: "UNIT/YYYYMMDD-HHMMSS-SHA8-WORKSTATION" from its UTC time,
// the first 8 hex digits of its SHA-256 and its workstation ("local" for a line that names
// none); only characters valid in Windows file names.
std::string EntryId(const TLedgerEntry& entry);
