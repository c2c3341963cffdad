#pragma once
#include <string>
#include <vector>

#include "zvtool/jobs/job.h"
#include "zvtool/jobs/request.h"
#include "zvtool/records/record_file.h"

// The jobs zvtool runs through the driver as a host does: test, fetch and send. Each fills
// `outcome` (its exit status in outcome->end.exit); every path in `request` is absolute.

void RunTestJob(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome);
void RunFetchJob(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome);
void RunSendJob(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome);

// The driver jobs that backup and restore are made of.
TDriverJob TestJob();
TDriverJob FetchCentralJob();
TDriverJob FetchModulesJob(int first, int last);
TDriverJob SendCentralJob(bool ignoreMutBlock);
TDriverJob SendModulesJob(const std::vector<TZvRecord>& records);

// Whether a file can be created beside `path` (so also `path`, mostly): checked before a long
// fetch rather than after it. No error, or kExitCannotCreate and what to check.
TZvError CanCreateBeside(const std::string& path);

// Where -o FILE of a fetch or a backup goes: no error and `path`, FILE itself or its dated
// name; or kExitCannotCreate when FILE is there and --force does not allow replacing it.
TZvError PlanOutputFile(const TJobRequest& request, long long now, std::string* path);

// Copies `from` over `to` through a file beside `to`, so that `to` is never half written and
// `from` may be `to` itself. No error, or kExitCannotCreate.
TZvError CopyInto(const std::string& from, const std::string& to);

// The run folder's file `name` ("fromZv.dat").
std::string RunFile(const TJobContext& context, const char* name);
