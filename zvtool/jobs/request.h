#pragma once
#include <string>

#include "device/setup_records.h"
#include "zvtool/records/record_commands.h"

// What one run of zvtool is asked to do: the command and its options, as the command line
// gave them. The jobs read it; the command line fills it.

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
    kSet,
    kHistory,
    kUnits,
    kPorts,
};

struct TZvOptions {
    TZvJob job = TZvJob::kNone;
    std::string command;      // the first word ("fetch"), for `zvtool COMMAND --help`
    int first = kFirstModul;  // fetch modules and backup: the range
    int last = kLastModul;
    std::string file;       // send and restore: the record file to send
    std::string output;     // -o: where a fetch or a backup goes
    std::string driver;     // --driver
    std::string dir;        // --dir
    std::string trace;      // --trace: the driver's trace file
    std::string unit;       // --unit (backup, restore) or history's UNIT: the ledger's name
    int port = 0;           // --port; 0 leaves "Comport" as it is
    std::string portArg;    // --port as given: a number, a device path or usb:VID:PID[:SERIAL]
    std::string portList;   // --ports: a bench, one unit on each port
    std::string unitsFile;  // --units: a bench, the units and ports a file names
    bool ignoreMutBlock = false;
    bool force = false;        // --force: -o may replace a file that is there
    bool dated = false;        // --dated: a backup goes under FILE's name with the date and time
    bool rangeGiven = false;   // --modules was given
    bool resume = false;       // backup, restore --resume
    bool skipRefused = false;  // backup --skip-refused
    bool dryRun = false;       // restore --dry-run
    bool noBackup = false;     // restore --no-backup
    bool sendAll = false;      // restore --all
    bool json = false;
    bool help = false;
    bool version = false;
    TRecordArgs records;  // check, show and diff
};
