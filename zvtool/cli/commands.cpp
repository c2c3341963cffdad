#include "zvtool/cli/commands.h"

#include <string>
#include <vector>

#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/command_runs.h"
#include "zvtool/exit_codes.h"
#include "zvtool/ledger/ledger.h"

namespace {

bool Usage(std::string* error, const char* usage) {
    *error = std::string("usage: zvtool ") + usage;
    return false;
}

bool TestWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    options->job.job = TZvJob::kTest;
    return words.size() == 1 || Usage(error, "test");
}

// The words of fetch: central, or modules and a range.
bool FetchWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    const std::size_t count = words.size();
    TJobRequest& job = options->job;
    if (count >= 2 && words[1] == "central") {
        job.job = TZvJob::kFetchCentral;
        return count == 2 || Usage(error, "fetch central [-o FILE]");
    }
    if (count < 2 || words[1] != "modules") {
        return Usage(error, "fetch central | fetch modules A-B|N|all");
    }
    job.job = TZvJob::kFetchModules;
    if (count != 3) {
        return Usage(error, "fetch modules A-B|N|all [-o FILE]");
    }
    if (!ParseModuleRange(words[2], &job.first, &job.last)) {
        *error = NotAModuleRange(words[2]);
        return false;
    }
    return true;
}

bool SendWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    const std::size_t count = words.size();
    TJobRequest& job = options->job;
    if (count < 2 || (words[1] != "central" && words[1] != "modules")) {
        return Usage(error, "send central FILE | send modules FILE");
    }
    const bool central = words[1] == "central";
    job.job = central ? TZvJob::kSendCentral : TZvJob::kSendModules;
    if (count != 3) {
        return Usage(error,
                     central ? "send central FILE [--ignore-mut-block]" : "send modules FILE");
    }
    job.file = words[2];
    if (!central && job.ignoreMutBlock) {
        *error = "--ignore-mut-block is for send central and restore";
        return false;
    }
    return true;
}

bool BackupWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    options->job.job = TZvJob::kBackup;
    if (words.size() != 1) {
        return Usage(error, "backup -o FILE [--modules A-B]");
    }
    if (options->job.output.empty()) {
        *error = "backup needs -o FILE, the setup file to write";
        return false;
    }
    return true;
}

bool RestoreWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    options->job.job = TZvJob::kRestore;
    if (words.size() != 2) {
        return Usage(error, "restore FILE");
    }
    options->job.file = words[1];
    return true;
}

// check FILE..., show FILE, diff A B.
bool FileWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error,
               std::size_t least, std::size_t most, const char* wrong) {
    options->records.files.assign(words.begin() + 1, words.end());
    const std::size_t files = options->records.files.size();
    *error = files == 0 ? "no file named" : wrong;
    return files >= least && files <= most;
}

bool CheckWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    return FileWords(words, options, error, 1, words.size(), "");
}

bool ShowWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    return FileWords(words, options, error, 1, 1, "one file at a time");
}

bool DiffWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    const bool two = FileWords(words, options, error, 2, 2, "");
    *error = "two files to compare, A and B";
    return two;
}

bool SetWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    if (words.size() < 2) {
        return Usage(error, "set FILE (central OFFSET VALUE | module N OFFSET VALUE)...");
    }
    options->records.files = {words[1]};
    return ParseRecordEdits({words.begin() + 2, words.end()}, &options->records.edits, error);
}

bool HistoryWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    if (words.size() > 2) {
        return Usage(error, "history [UNIT]");
    }
    if (words.size() == 2 && !IsUnitName(words[1])) {
        *error = NotAUnitName(words[1]);
        return false;
    }
    options->unit = words.size() == 2 ? words[1] : "";
    return true;
}

bool UnitsWords(const std::vector<std::string>& words, TZvOptions*, std::string* error) {
    return words.size() == 1 || Usage(error, "units");
}

bool LedgerWords(const std::vector<std::string>& words, TZvOptions* options, std::string* error) {
    const std::string action = words.size() >= 2 ? words[1] : "";
    options->ledgerAction = action;
    if (words.size() == 2 && (action == "check" || action == "sync")) {
        return true;
    }
    if (words.size() != 3 || action != "share") {
        return Usage(error, "ledger check | ledger share REMOTE | ledger sync");
    }
    // git would read a remote that starts with '-' as one of its options.
    if (words[2].empty() || words[2][0] == '-') {
        *error = "'" + words[2] + "' is no remote: give a path or a URL";
        return false;
    }
    options->remote = words[2];
    return true;
}

bool PortsWords(const std::vector<std::string>& words, TZvOptions*, std::string* error) {
    return words.size() == 1 || Usage(error, "ports [--dir DIR] [--json]");
}

const char kTestHelp[] = R"(Usage: zvtool test [--port N] [--driver PATH] [--dir DIR] [--json]

Tests the connection: the driver asks the unit for its version. Exit status 0 when the unit
answered; otherwise the driver's result code (2 no acknowledgement, 4 no valid reply,
5 the port cannot be opened).
)";

const char kFetchHelp[] = R"(Usage: zvtool fetch central [-o FILE] [--force] [OPTIONS]
       zvtool fetch modules A-B|N|all [-o FILE] [--force] [OPTIONS]

Fetches the central record, or module records A to B (N: just module N; all: 1 to 200),
into "fromZv.dat" in the driver's directory, and with -o FILE copies the file there once
every record was fetched. A is not above B.

Shows module i of n, a bar, the time so far and the time left while it runs: a pass takes
about 1.8 s at 2400 baud, and a unit that does not answer costs 5 s a repeat.

Exit status 0 when every record was fetched (the driver's result 3 and the file holds
each record asked for); otherwise the driver's result code, and "fromZv.dat" keeps the
records fetched before the failure. A FILE that is there is not replaced without --force.
)";

const char kSendHelp[] = R"(Usage: zvtool send central FILE [--ignore-mut-block] [OPTIONS]
       zvtool send modules FILE [OPTIONS]

Checks FILE as `zvtool check` does, copies it to "ToZv.dat" in the driver's directory and
sends it: the central record (FILE holds exactly one record, number 0), or every module
record of FILE (numbers 1 to 200; the count is the number of records in FILE).

Exit status 0 when the unit accepted every record (the driver's result 1); 65 when FILE
fails the check; otherwise the driver's result code.
)";

const char kBackupHelp[] =
    R"(Usage: zvtool backup -o FILE [--modules A-B] [--force | --dated] [OPTIONS]

Fetches the central record and module records 1 to 200 (--modules A-B, N or all to limit)
into one setup file: the central record first, with number 0, then the modules, in the
driver's record-file layout. 200 modules take about 6 minutes at 2400 baud.

FILE is written only when every record was fetched (1 + N records). A backup that fails
part-way leaves the records it fetched in FILE.partial and says so; FILE stays as it was.
A FILE that is there is not replaced without --force; --dated writes FILE's name with the
date and time instead, so that every backup is kept.

It starts with the connection test (a tenth of a second), so a unit that does not answer
is found in 5 s; the unit's version goes into the ledger with the backup. --resume
continues from FILE.partial: it fetches only the modules the file lacks, beginning with
the first. --skip-refused goes past a module the unit refuses (a new driver run from the
next module) and lists the refused ones at the end; FILE.partial then holds the rest, and
--resume tries just the refused ones again.

A whole backup is kept in the ledger (`zvtool history`) under --unit NAME, or the unit last
named in the driver's folder. A ledger that cannot be written is said; the backup is whole
all the same.

Exit status 0 on a whole backup; 79 when --skip-refused left refused modules out;
otherwise the driver's result code of the failed fetch.
)";

const char kRestoreHelp[] =
    R"(Usage: zvtool restore FILE [--modules A-B] [--dry-run] [--all] [--no-backup] [--resume]
                    [--ignore-mut-block] [OPTIONS]

Puts a setup file written by `zvtool backup` back on the unit, safely and sending only
what is needed. FILE may be a ledger entry (UNIT@N or its permanent name), whose copy is
checked against its SHA-256 first:
  1. the connection test;
  2. a copy of the unit's records that FILE holds, kept in the ledger as "pre-restore"
     (a dry run's as "copy"; without a ledger in zvtool-before.dat, zvtool-before-2.dat,
     ... of the driver's folder; --no-backup skips it, with a warning, and then every
     record is sent);
  3. the plan: which records differ from FILE and how long sending and reading them back
     takes (about 1.8 s a record each way); --dry-run stops here;
  4. the central record with its own job if it differs, then the differing module records
     as one module send;
  5. each record sent fetched back and compared with FILE;
  6. "k of k records written and read back the same", or which differ and where; the
     unit's new state goes into the ledger as "restored".
--modules A-B restores only those modules (the central record stays as it is); --all sends
every record. A restore that stops (a failure, Ctrl-C, a record read back wrong) says what
the unit now holds and leaves a note in the driver's folder; --resume then continues with
what is still unsent or not read back: it reads those records, sends those that differ
and reads them back, on the same port and unit only.

Exit status 0 when every record sent was read back the same (or nothing differed); 65
when FILE fails the check or is not a setup file (central record first, then module
records only); 80 when a record read back differs; 81 when the ledger's copy is not what
its line says; 82 when --resume meets another unit or port; 83 when the port went away
during the job; otherwise the driver's result code, with a line saying how far the
restore came.
)";

const char kCheckHelp[] = R"(Usage: zvtool check [--all] FILE...

Reads record files as strictly as a send needs them and lists each problem with its
line and column (FILE:LINE:COLUMN) and what the driver's reader would make of it.

A sound file holds whole records of 131 numbers 0 to 255, separated by commas: the
record number (0 for the central record, 1 to 200 for a module) and the 130 setup
bytes. Only white space (spaces, tabs, line ends) may stand between the numbers; the
line layout is free. Only the first record may be the central record, so a backup (the
central record, then modules) and a file of one central record are both sound. No
module may appear twice. A comma after the last number and a Ctrl-Z at the very end
are allowed.

The driver reads record files leniently: it skips any other character and joins the
digits on either side of it, keeps the first seven digits of a number and the low 8
bits of its value, reads an empty field as 0, stops at a Ctrl-Z, and counts records by
numbers, not lines, so a record with a number too many or too few shifts every record
behind it. A send that runs out of numbers within a record ends with result 9.

A FILE may be a ledger entry (UNIT@N or its permanent name); its copy is checked against
its SHA-256 first (exit 81 when it fails).

Exit status: 0 every file is sound, 1 problems found, 2 a file cannot be read or the
command line is wrong.
)";

const char kShowHelp[] = R"(Usage: zvtool show [--record N] [--hex] FILE

Shows each record of a record file as a table: a line naming the record (central
record, module N) and the line of the file it starts on, then its 130 setup bytes,
16 to a row, each row led by the offset of its first byte (0 to 129).

A file that fails `zvtool check` is still shown, as the driver would read it, with a
warning on stderr.

FILE may be a ledger entry (UNIT@N or its permanent name); its copy is checked against its
SHA-256 first (exit 81 when it fails).

Exit status: 0 shown, 1 shown but the file fails the check, 2 the file cannot be read,
holds no record N, or the command line is wrong.
)";

const char kDiffHelp[] = R"(Usage: zvtool diff [--hex] A B

Compares two record files record by record, matched by record number whatever their
order: lists the records found in only one of them and, for each record that differs,
every offset (0 to 129) with the byte in A and in B. When a file holds a number twice,
its later record counts, as the unit keeps the one sent last. A file that fails
`zvtool check` is compared as the driver would read it, with a warning on stderr.

A or B may name a ledger entry as UNIT@N, the N-th newest of unit UNIT (UNIT@1 the last
one taken; `zvtool history UNIT` lists them), or by its permanent name, unless a file of
that name exists; its copy is checked against its SHA-256 first (exit 81 when it fails).

Exit status, as cmp has it: 0 the same records, 1 they differ, 2 a file cannot be read
or the command line is wrong.
)";

const char kSetHelp[] = R"(Usage: zvtool set FILE CHANGE... [-o OUT] [--hex]

Changes single bytes of the records a record file holds, so that no one has to count
commas in an editor. Each CHANGE is one of
  central OFFSET VALUE       byte OFFSET (0 to 129) of the central record becomes VALUE
  module N OFFSET VALUE      byte OFFSET of module record N (1 to 200) becomes VALUE
with numbers in decimal or 0x hexadecimal; as many changes as needed, applied in order.
The file must pass `zvtool check`; it is written again whole in the driver's own layout
(through a file beside it, so it is never half written), to OUT with -o, and the
differences to what it held before are printed as `zvtool diff` prints them. A record
the file does not hold is not added.

Exit status: 0 changed, 64 a change that does not fit or names a record not in FILE,
65 FILE fails the check, 66 it cannot be read, 73 the result cannot be written.
)";

const char kHistoryHelp[] = R"(Usage: zvtool history [UNIT]

Lists the entries of the ledger, newest first: each backup, each copy of a unit taken
before a restore ("pre-restore") or by a dry run ("copy"), and each state a restore left
("restored"), with its name UNIT@N (the N-th newest), its permanent name, date and time
(local time, with its offset from UTC), kind, record count, port, the unit's version, its
age and its file; a copy that is not what its line says is marked.

The ledger is the folder XDG_DATA_HOME/zvtool (default ~/.local/share/zvtool): a folder
per unit of record files in the driver's layout, and "ledger.log", one line per entry
with its UTC time and SHA-256, to read with `cat`. In a shared ledger (`zvtool ledger
share`) each entry names the workstation that made it.
)";

const char kHistoryWindowsHelp[] = R"(Usage: zvtool history [UNIT]

Lists the entries of the ledger, newest first: each backup, each copy of a unit taken
before a restore ("pre-restore") or by a dry run ("copy"), and each state a restore left
("restored"), with its name UNIT@N (the N-th newest), its permanent name, date and time
(local time, with its offset from UTC), kind, record count, port, the unit's version, its
age and its file; a copy that is not what its line says is marked.
Unit names are compared without regard to case, as Windows compares folder names: PUMP-3
is pump-3.

The ledger is the folder %LOCALAPPDATA%\zvtool\ledger: a folder per unit of record files
in the driver's layout, and "ledger.log", one line per entry with its UTC time and
SHA-256, to read with Notepad or `type`. In a shared ledger (`zvtool ledger share`) each
entry names the workstation that made it.
)";

const char kUnitsHelp[] = R"(Usage: zvtool units

Lists each unit of the ledger with its last entry (a backup, or the state a restore left),
its age, how many are kept and how many are damaged or missing.
)";

const char kLedgerHelp[] = R"(Usage: zvtool ledger check
       zvtool ledger share REMOTE
       zvtool ledger sync

check: checks the whole ledger: that every line of its log reads, and that every copy is
what its line says (its SHA-256, computed again, and that it is there at all). Lists each
problem: the line and what is wrong with it, the copy with its file and both hashes; in a
shared ledger also two entries of one name and committed attributes that let git change
its bytes. The ledger is append-only: nothing removes an entry, so a problem stays listed
until it is mended by hand. Every command that reads a copy checks it the same way first:
history marks it, diff, show, check and restore refuse it (exit 81).

share: makes the ledger a git work tree with the remote REMOTE (a bare repository: a path,
a file share, ssh://HOST/PATH or HOST:PATH, git://HOST/PATH), so that the workshop's
workstations keep one history. An empty ledger takes the remote's entries; one with
entries merges them with the remote's, and nothing of either is lost. It needs git 2.20 or
later on the search path; without it, or when REMOTE cannot be reached, the ledger stays as
it is. From then on each entry (a backup, a copy before a restore, a restored state) is
committed (the message is its log line, the author USER@WORKSTATION) and pushed as it is
kept. A push not done in 20 s counts as offline: the job succeeds all the same, says so in
one line, and the entry waits, committed, for the next sync.

sync: commits what is not yet committed, fetches and merges the others' entries, and
pushes this workstation's. Entries of several workstations never conflict: the log merges
as the union of its lines, and each record file's name carries its workstation.

Exit status: check as check has it: 0 sound, 1 problems found, 2 the ledger could not be
read; share and sync 0 done, 69 no git or the remote cannot be reached, 73 the ledger
cannot be committed or merged, 75 its lock is held too long.
)";

const char kPortsHelp[] = R"(Usage: zvtool ports [--dir DIR] [--json]

Lists the serial ports of this machine from sysfs: each port's device, its driver and, for
a USB adapter, its vendor and product ID, serial number, maker and product, with the
stable names under /dev/serial/by-id. For each: the programs that hold it open (read from
/proc, so the port is never opened and nothing hanging on its modem lines is disturbed)
and whether you may open it, or which group would let you. The COMn entries of the
driver's directory follow, with the port each leads to.

Any of these can be given to a job as --port: the device path, a stable name, or
usb:VID:PID[:SERIAL] (the serial number tells two adapters of one kind apart). zvtool
then points the link COM1 in the driver's directory at the port and says so.

Exit status 0; 66 when DIR cannot be entered.
)";

const char kPortsWindowsHelp[] = R"(Usage: zvtool ports [--json]

Lists the serial ports of this PC: the registry's serial ports with the device manager's
name of each, its maker and, for a USB adapter, its vendor and product ID and serial
number. For each: whether a program holds it (an exclusive open that another program
refuses) and whether you may open it.

Any of these can be given to a job as --port: COMn, its number, or usb:VID:PID[:SERIAL]
(the serial number tells two adapters of one kind apart), which becomes the number of
its COM port.

Exit status 0; 66 when DIR cannot be entered.
)";

}  // namespace

const std::vector<TCommandRow>& CommandRows() {
    static const std::vector<TCommandRow> rows = {
        {"test", TCommandKind::kDriverJob, kTestBit, kExitUsage, TestWords, RunJobCommand,
         "  test                              test the connection: the unit answers its version\n",
         kTestHelp},
        {"fetch", TCommandKind::kDriverJob, kFetchBit, kExitUsage, FetchWords, RunJobCommand,
         "  fetch central [-o FILE] [--force] fetch the central record into \"fromZv.dat\"\n"
         "  fetch modules A-B|N|all [-o FILE] [--force]\n"
         "                                    fetch module records A to B (all: 1-200)\n",
         kFetchHelp},
        {"send", TCommandKind::kDriverJob, kSendBit, kExitUsage, SendWords, RunJobCommand,
         "  send central FILE [--ignore-mut-block]\n"
         "                                    send the central record that FILE holds\n"
         "  send modules FILE                 send every module record that FILE holds\n",
         kSendHelp},
        {"backup", TCommandKind::kDriverJob, kBackupBit, kExitUsage, BackupWords, RunJobCommand,
         "  backup -o FILE [--modules A-B] [--force | --dated]\n"
         "                                    fetch the central record and modules 1-200 into one\n"
         "                                    setup file, kept in the ledger (--resume, "
         "--skip-refused)\n",
         kBackupHelp},
        {"restore", TCommandKind::kDriverJob, kRestoreBit, kExitUsage, RestoreWords, RunJobCommand,
         "  restore FILE                      send a setup file back: copy the unit into the "
         "ledger,\n"
         "                                    send only the records that differ, read them back\n"
         "                                    (--dry-run, --modules A-B, --all, --resume)\n",
         kRestoreHelp},
        {"check", TCommandKind::kRecordFile, kCheckBit, kExitDiffTrouble, CheckWords,
         RunCheckCommand,
         "  check [--all] FILE...             the strict check of record files before a send\n",
         kCheckHelp},
        {"show", TCommandKind::kRecordFile, kShowBit, kExitDiffTrouble, ShowWords, RunShowCommand,
         "  show FILE [--record N] [--hex]    each record as a table of its bytes\n", kShowHelp},
        {"diff", TCommandKind::kRecordFile, kDiffBit, kExitDiffTrouble, DiffWords, RunDiffCommand,
         "  diff A B                          compare two record files record by record (a file\n"
         "                                    or UNIT@N, the N-th newest backup of UNIT)\n",
         kDiffHelp},
        {"set", TCommandKind::kRecordFile, kSetBit, kExitUsage, SetWords, RunSetCommand,
         "  set FILE CHANGE...                change bytes of records: central OFFSET VALUE,\n"
         "                                    module N OFFSET VALUE\n",
         kSetHelp},
        {"history", TCommandKind::kLedger, kHistoryBit, kExitUsage, HistoryWords, RunHistoryCommand,
         "  history [UNIT]                    the ledger's entries, newest first, each as UNIT@N\n",
         kHistoryHelp, kHistoryWindowsHelp},
        {"units", TCommandKind::kLedger, kUnitsBit, kExitUsage, UnitsWords, RunUnitsCommand,
         "  units                             each unit's last entry and its age\n", kUnitsHelp},
        {"ledger", TCommandKind::kLedger, kLedgerBit, kExitDiffTrouble, LedgerWords,
         RunLedgerCommand,
         "  ledger check                      check every line and every copy of the ledger\n"
         "  ledger share REMOTE               share the ledger through a git remote\n"
         "  ledger sync                       merge the others' entries, push this one's\n",
         kLedgerHelp},
        {"ports", TCommandKind::kPorts, kPortsBit, kExitUsage, PortsWords, RunPortsCommand,
         "  ports [--dir DIR]                 the serial ports there are, who holds them, who may\n"
         "                                    open them; --port takes any of them\n",
         kPortsHelp, kPortsWindowsHelp},
    };
    return rows;
}

const TCommandRow* FindCommand(const std::string& name) {
    for (const TCommandRow& row : CommandRows()) {
        if (name == row.name) {
            return &row;
        }
    }
    return nullptr;
}

std::string CommandNames(unsigned bits) {
    std::vector<std::string> names;
    for (const TCommandRow& row : CommandRows()) {
        if ((bits & row.bit) != 0) {
            names.push_back(row.name);
        }
    }
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text;
}
