#pragma once
#include <string>

#include "device/setup_records.h"
#include "zvtool/error.h"
#include "zvtool/records/record_commands.h"

// zvtool's command line, parsed without side effects through its option table so that a
// table of command lines can test it.

enum class TZvJob {
    kNone,
    kTest,
    kFetchCentral,
    kFetchModules,
    kSendCentral,
    kSendModules,
    kBackup,
    kRestore,
    kCheck,
    kShow,
    kDiff,
};

struct TZvOptions {
    TZvJob job = TZvJob::kNone;
    std::string command;      // the first word ("fetch"), for `zvtool COMMAND --help`
    int first = kFirstModul;  // fetch modules and backup: the range
    int last = kLastModul;
    std::string file;    // send and restore: the record file to send
    std::string output;  // -o: where a fetch or a backup goes
    std::string driver;  // --driver
    std::string dir;     // --dir
    std::string trace;   // --trace: the driver's trace file
    int port = 0;        // --port; 0 leaves "Comport" as it is
    bool ignoreMutBlock = false;
    bool force = false;  // --force: -o may replace a file that is there
    bool dated = false;  // --dated: a backup goes under FILE's name with the date and time
    bool json = false;
    bool help = false;
    bool version = false;
    TRecordArgs records;  // check, show and diff
};

// Parses the whole command line (argv[0] is the program). True and `options` filled; or false
// and `error`: the usage exit status of the command (64; 2 for check, show and diff), the line
// saying what is wrong and the command it concerns. --help and --version stop the checks of
// the rest, so that `zvtool fetch --help` works without a range.
bool ParseCommandLine(int argc, const char* const* argv, TZvOptions* options, TZvError* error);

// "A-B", "N" or "all" (1-200); A must not be above B. False for anything else.
bool ParseModuleRange(const std::string& text, int* first, int* last);

// Whether `name` is one of zvtool's command words.
bool IsCommandWord(const std::string& name);

// The options `command` accepts ("" for zvtool's own), as help lines from the option table.
std::string OptionsHelpFor(const std::string& command);
