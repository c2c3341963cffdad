#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/jobs/job.h"
#include "zvtool/jobs/request.h"
#include "zvtool/records/record_file.h"

// The jobs zvtool runs through the driver. Each returns zvtool's exit status. The current
// directory is the driver's; every path in `options` is absolute.

int RunTestJob(const TZvContext& context, const TZvOptions& options);
int RunFetchJob(const TZvContext& context, const TZvOptions& options);
int RunSendJob(const TZvContext& context, const TZvOptions& options);
int RunBackup(const TZvContext& context, const TZvOptions& options);
int RunRestore(const TZvContext& context, const TZvOptions& options);

// The job as the outcome and the JSON report name it: "test", "fetch modules 3-5",
// "send central", "backup", ...
std::string JobName(const TZvOptions& options);

// What a command that finishes this job must give again, so that it works from any folder
// and keeps the unit's name: " --dir DIR" and " --unit NAME" where they were given.
std::string FinishingOptions(const TZvOptions& options);

// The driver jobs that backup and restore are made of.
TDriverJob FetchCentralJob();
TDriverJob FetchModulesJob(int first, int last);
TDriverJob SendCentralJob(bool ignoreMutBlock);
TDriverJob SendModulesJob(const std::vector<TZvRecord>& records);

// Whether a file can be created beside `path` (so also `path`, mostly): checked before a long
// fetch rather than after it. No error, or kExitCannotCreate and what to check.
TZvError CanCreateBeside(const std::string& path);

// Where -o FILE of a fetch or a backup goes: no error and `path`, FILE itself or its dated
// name; or kExitCannotCreate when FILE is there and --force does not allow replacing it.
TZvError PlanOutputFile(const TZvOptions& options, std::string* path);

// Copies `from` over `to` through a file beside `to`, so that `to` is never half written and
// `from` may be `to` itself. No error, or kExitCannotCreate.
TZvError CopyInto(const std::string& from, const std::string& to);
