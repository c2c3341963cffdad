#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/jobs/request.h"
#include "zvtool/platform/files.h"
#include "zvtool/records/record_commands.h"

// zvtool's command line, parsed without side effects through its option table and its
// command table, so that a table of command lines can test it.

struct TCommandRow;

struct TZvOptions {
    const TCommandRow* row = nullptr;  // the command; nullptr for zvtool's own help
    std::string command;               // the first word ("fetch"), for `zvtool COMMAND --help`
    TJobRequest job;                   // test, fetch, send, backup, restore
    TRecordArgs records;               // check, show, diff, set
    std::string unit;                  // history's UNIT (jobs: job.unit)
    std::string ledgerAction;          // ledger: "check", "share" or "sync"
    std::string remote;                // ledger share's REMOTE
    std::string driver;                // --driver
    std::string dir;                   // --dir
    std::string trace;                 // --trace: the driver's trace file
    int port = 0;                      // --port as a number; 0 leaves "Comport" as it is
    std::string portArg;               // --port as given: a number, a path or usb:VID:PID[:SERIAL]
    std::string portList;              // --ports: a bench, one unit on each port
    std::string unitsFile;             // --units: a bench, the units and ports a file names
    bool json = false;
    bool help = false;
    bool version = false;
    // Where things stand on the command line, for a bench that passes it on: the arguments it
    // does not pass on as they are (its own --ports, --units, --dir and --json, and --driver,
    // with their values), and where the job's FILE stands.
    std::vector<int> benchArguments;
    int fileAt = -1;
};

// Parses the whole command line (argv[0] is the program). True and `options` filled; or false
// and `error`: the usage exit status of the command (64; 2 for check, show and diff), the line
// saying what is wrong and the command it concerns. --help and --version stop the checks of
// the rest, so that `zvtool fetch --help` works without a range.
bool ParseCommandLine(int argc, const char* const* argv, TZvOptions* options, TZvError* error);

// What is said of a range or a unit name that does not fit.
std::string NotAModuleRange(const std::string& text);
std::string NotAUnitName(const std::string& text);

// The options `command` accepts ("" for zvtool's own), as help lines from the option table,
// as they read on `system`.
std::string OptionsHelpFor(const std::string& command, TSystem system);

// The command line less the bench's own options (--ports, --units, --dir with their values)
// and --json, with the job's FILE and --driver made absolute: what each unit's zvtool is
// given before its own --port, --dir, --unit and --json. argv[0] is left out.
std::vector<std::string> BenchForwardedWords(int argc, const char* const* argv,
                                             const TZvOptions& options);

// Where the option table and the command table meet: the command's bit in the option rows.
unsigned CommandBit(const std::string& command);

struct TOptionRow;
// The option table, for the manual page.
const TOptionRow* OptionRows(std::size_t* count);
