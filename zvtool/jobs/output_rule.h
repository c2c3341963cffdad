#pragma once
#include <functional>
#include <string>

// Where a fetch or a backup writes its output (-o FILE): a file that is there already is
// never replaced unless --force says so; a backup may instead take FILE's name with the date
// and time (--dated), so that a series of backups keeps each one.

struct TOutputPlan {
    bool refused = false;  // FILE exists and neither --force nor --dated was given
    std::string path;      // the file to write
};

// "unit.dat" at 2026-12-09 03:30:04 (local time) -> "unit-20261209-033004.dat"; the extension
// stays last, a name without one gets the stamp at its end.
std::string DatedName(const std::string& path, long long when);

// The plan for `asked`: `exists` says whether a file is there (a fake in tests). A dated
// name that is taken too (two backups in one second) gets "-2", "-3", ... before the
// extension.
TOutputPlan PlanOutput(const std::string& asked, bool force, bool dated, long long when,
                       const std::function<bool(const std::string&)>& exists);
