#pragma once
#include <string>
#include <utility>
#include <vector>

#include "zvtool/records/record_file.h"

// What a restore sends: only the records of the file that the unit does not hold already,
// found by comparing the file with the backup of the unit taken just before, and how long
// sending them and reading them back will take. Pure, so that rows test it.

// One record moved either way costs about this much at 2400 baud: the 50 ms wake, the
// exchange and the 1100 ms pause behind it.
constexpr double kSecondsPerRecord = 1.8;

struct TRestorePlan {
    bool central = false;                       // send the central record (its own job)
    std::vector<TZvRecord> modules;             // the module records to send, in file order
    std::vector<std::pair<int, int>> readBack;  // the module ranges to fetch back, ascending
    int same = 0;                               // records of the file (within range) the unit holds
    int outside = 0;                            // module records of the file outside --modules
    double sendSeconds = 0;
    double readBackSeconds = 0;
};

// `file` is a setup file (the central record first, then module records); `unit` what the
// unit holds now (a backup of it). Modules outside first..last are left out, and so is the
// central record unless `central` is true. With `all`, every record in range is sent.
TRestorePlan PlanRestore(const std::vector<TZvRecord>& file, const std::vector<TZvRecord>& unit,
                         int first, int last, bool central, bool all);

// The records a plan sends, counted: central 1 + modules.
int PlannedRecords(const TRestorePlan& plan);

// The plan in words, for the technician:
//   "send the central record and modules 7, 12, 150 (4 records), then read them back:
//    about 14 s; 198 records already hold the file's values"
std::string DescribePlan(const TRestorePlan& plan);

// "14 s", "3 min 50 s".
std::string DurationText(double seconds);
