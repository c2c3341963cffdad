#include "zvtool/cli/help.h"

#include <cstdio>

#include "driver/result_codes.h"

namespace {

const char kMainHelp[] = R"(Usage: zvtool [OPTIONS] COMMAND [ARGUMENTS]

Runs jobs on the interface unit through the driver (zordrive) and its files, as a host
application does, with live progress; checks, shows and compares record files.

Jobs, run through the driver:
  test                              test the connection: the unit answers its version
  fetch central [-o FILE] [--force] fetch the central record into "fromZv.dat"
  fetch modules A-B|N|all [-o FILE] [--force]
                                    fetch module records A to B (all: 1-200)
  send central FILE [--ignore-mut-block]
                                    send the central record that FILE holds
  send modules FILE                 send every module record that FILE holds
  backup -o FILE [--modules A-B] [--force | --dated]
                                    fetch the central record and modules 1-200 into one
                                    setup file
  restore FILE                      send a setup file back: central record, then modules

Record files, without the driver:
  check FILE                        the strict check of a record file before a send
  show FILE [--record N] [--hex]    each record as a table of its bytes
  diff A B                          compare two record files record by record

Options:
  --port N        the unit's serial port COMn, 1 to 255 ("Comport"); default: the port
                  "zordrive.INI" names
  --driver PATH   the driver to run; default: the one beside zvtool, then the search path
  --dir DIR       the driver's directory: it runs there, and "ToZv.dat" and "fromZv.dat"
                  lie there (on POSIX also the two INI files and the COMn link); default:
                  the current directory
  --json          print one JSON object on standard output for every command and every
                  failure: {version, command, exit, error, ...} (README: zvtool's JSON
                  output)
  --trace FILE    the driver's trace goes into FILE instead of the session trace
  --force         -o FILE may replace a file that is there
  --dated         backup: write FILE's name with the date and time (unit-20261209-
                  033004.dat), so that every backup is kept
  -h, --help      this help; `zvtool COMMAND --help` explains one command
  --version       print the version

zvtool writes only the job's keys into "zordrive.INI" (every other line stays) and reads
each back, starts the driver, shows its progress from "zordOUT.INI" and waits for it to
end. On Windows the two INI files are in the Windows directory, where the driver reads
them. One job at a time runs on the driver's files: a job takes a lock there first
(".zvtool.lock" in the folder; on Windows one per user). The driver always traces into a
session trace (XDG_STATE_HOME or ~/.local/state/zvtool/logs; on Windows
%LOCALAPPDATA%\zvtool\logs), from which a failed job is explained at once. Progress goes
to standard error: one line redrawn in place on a terminal, one line per module otherwise.
Ctrl-C stops the driver and says what it left behind.

Exit status:
  0      the job did what was asked (the driver's result 0 for test, 1 for sends, 3 for
         fetches); check and diff: 0 sound or equal
  1-11   the driver's result code (below); check and diff: 1 problems or different,
         2 trouble
  64     bad command line          65  a record file fails the check
  66     a file cannot be read     69  no driver found, or it cannot be started
  70     the driver ended without a result
  73     a file cannot be created or written: the folder, a job key, or -o FILE that is
         there (without --force); the driver was not started
  74     reading or writing failed part-way
  75     another zvtool job runs on the driver's files (its job and start time are named)
  76     the driver did not run the job asked for: a result that job cannot give (it did
         not see the keys), or a fetch without all the records asked for
  130    stopped by Ctrl-C

The driver's result codes:
)";

}  // namespace

const char kJobOptionsHelp[] = R"(
Options of every job:
  --port N        the unit's serial port COMn, 1 to 255 ("Comport")
  --driver PATH   the driver to run (default: beside zvtool, then the search path)
  --dir DIR       the driver's directory (default: the current directory)
  --json          one JSON object on standard output, whatever happens
  --trace FILE    the driver's trace goes into FILE instead of the session trace
Progress goes to standard error; Ctrl-C stops the driver and exits with 130.
)";

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

  -o, --output FILE   where the fetched records go as well
  --force             replace FILE if it is there
)";

const char kSendHelp[] = R"(Usage: zvtool send central FILE [--ignore-mut-block] [OPTIONS]
       zvtool send modules FILE [OPTIONS]

Checks FILE as `zvtool check` does, copies it to "ToZv.dat" in the driver's directory and
sends it: the central record (FILE holds exactly one record, number 0), or every module
record of FILE (numbers 1 to 200; the count is the number of records in FILE).

Exit status 0 when the unit accepted every record (the driver's result 1); 65 when FILE
fails the check; otherwise the driver's result code.

  --ignore-mut-block  send the central record with the flag "IgnoreMutBlock" set
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

Exit status 0 on a whole backup; otherwise the driver's result code of the failed fetch.

  -o, --output FILE   the setup file to write
  --modules A-B       the module records to back up: A-B, N or all (default: all)
  --force             replace FILE if it is there
  --dated             write FILE-YYYYMMDD-HHMMSS.EXT instead of FILE
)";

const char kRestoreHelp[] = R"(Usage: zvtool restore FILE [--ignore-mut-block] [OPTIONS]

Sends a setup file written by `zvtool backup` to the unit: checks it, sends its central
record, then its module records. A backup of the unit afterwards gives the same file.

Exit status 0 when the unit accepted every record; 65 when FILE fails the check or is not a
setup file (central record first, then module records only); otherwise the driver's result
code, with a line saying how far the restore came.

  --ignore-mut-block  send the central record with the flag "IgnoreMutBlock" set
)";

void PrintMainHelp() {
    std::fputs(kMainHelp, stdout);
    for (int code = 0; *ResultMeaning(code) != '\0'; ++code) {
        std::printf("  %-6d %s\n", code, ResultMeaning(code));
    }
}

void PrintUsageHint() {
    std::fputs("Try 'zvtool --help'.\n", stderr);
}
