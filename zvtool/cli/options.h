#pragma once
#include <string>

#include "device/setup_records.h"

// zvtool's command line for the jobs it runs through the driver, parsed without side effects
// so that a table of command lines can test it.

enum class TZvJob {
    kNone,
    kTest,
    kFetchCentral,
    kFetchModules,
    kSendCentral,
    kSendModules,
    kBackup,
    kRestore,
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
    bool json = false;
    bool help = false;
    bool version = false;
};

// Parses the whole command line (argv[0] is the program). True and `options` filled; or false
// and one line in `error` saying what is wrong. --help and --version stop the checks of the
// rest, so that `zvtool fetch --help` works without a range.
bool ParseCommandLine(int argc, const char* const* argv, TZvOptions* options, std::string* error);

// "A-B", "N" or "all" (1-200); A must not be above B. False for anything else.
bool ParseModuleRange(const std::string& text, int* first, int* last);

// The index of the command word in argv (the first argument that is neither an option nor an
// option's value), or 0 when there is none.
int FindCommandWord(int argc, const char* const* argv);
