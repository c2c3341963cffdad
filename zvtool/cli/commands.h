#pragma once
#include <string>
#include <vector>

#include "zvtool/cli/options.h"

// zvtool's commands, one row each: the parser looks the word up, the dispatcher calls the
// row, the help and the manual page's synopsis are printed from the rows.

// What kind of command a row is: it decides whether the JSON object has a job's keys.
enum class TCommandKind {
    kDriverJob,   // runs the driver: test, fetch, send, backup, restore
    kRecordFile,  // reads record files: check, show, diff, set
    kLedger,      // reads the ledger: history, units
    kPorts,       // looks at the machine: ports
};

// What running a command from the terminal is given.
struct TCliRun {
    TZvOptions options;
    int argc = 0;
    const char* const* argv = nullptr;
};

struct TCommandRow {
    const char* name;
    TCommandKind kind;
    unsigned bit;   // the command's bit in the option table
    int usageExit;  // check, show and diff answer a question: 2 is their trouble, as cmp has it
    // The command's words after its name: the job or the files; false and `error` when they
    // do not fit.
    bool (*parseWords)(const std::vector<std::string>& words, TZvOptions* options,
                       std::string* error);
    // Runs the command and prints its result; its exit status.
    int (*run)(const TCliRun& cli);
    const char* synopsis;  // its lines of the main help: "  test    test the connection ..."
    const char* help;      // its own help, before its options
    // Its help on Windows, where it says other things than on POSIX; nullptr: `help`.
    const char* windowsHelp = nullptr;
};

const std::vector<TCommandRow>& CommandRows();
// The row of `name`, or nullptr.
const TCommandRow* FindCommand(const std::string& name);
// "fetch and backup", "test, fetch, send, backup and restore": the commands of `bits`.
std::string CommandNames(unsigned bits);
