#pragma once
#include <string>

#include "device/setup_records.h"

// What a job run through the driver is asked to do, as a front end fills it in: the terminal
// from its command line, a window from its fields.

enum class TZvJob {
    kTest,
    kFetchCentral,
    kFetchModules,
    kSendCentral,
    kSendModules,
    kBackup,
    kRestore,
};

struct TJobRequest {
    TZvJob job = TZvJob::kTest;
    int first = kFirstModul;  // fetch modules, backup and restore: the range
    int last = kLastModul;
    bool rangeGiven = false;  // --modules was given
    std::string file;         // send and restore: the record file to send (absolute)
    std::string output;       // -o: where a fetch or a backup goes (absolute)
    std::string unit;         // --unit: the unit's name in the ledger
    bool ignoreMutBlock = false;
    bool force = false;        // -o may replace a file that is there
    bool dated = false;        // a backup goes under FILE's name with the date and time
    bool resume = false;       // backup, restore --resume
    bool skipRefused = false;  // backup --skip-refused
    bool dryRun = false;       // restore --dry-run
    bool noBackup = false;     // restore --no-backup
    bool sendAll = false;      // restore --all
    // What a command that finishes this job must give again so that it works from any folder
    // and keeps the unit's name: " --dir DIR --unit NAME" as far as they were given.
    std::string finishingOptions;
};

// The job as the outcome names it: "test", "fetch modules 3-5", "send central", "backup", ...
std::string JobName(const TJobRequest& request);
// The command word of the job: "test", "fetch", "send", "backup", "restore".
const char* JobCommand(TZvJob job);

// A range of modules as a technician writes it, on a command line or in a window's field:
// "A-B", "N" or "all" (1-200); A must not be above B. False for anything else.
bool ParseModuleRange(const std::string& text, int* first, int* last);
