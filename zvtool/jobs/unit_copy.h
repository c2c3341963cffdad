#pragma once
#include <string>
#include <vector>

#include "zvtool/jobs/job.h"
#include "zvtool/jobs/request.h"
#include "zvtool/records/record_file.h"

// The pieces of servicing a unit that backup and restore share: the connection test that
// opens each (a tenth of a second, so that a silent unit is found in seconds, not after a
// fetch's repeats), fetching the records a copy lacks, and keeping a whole copy in the ledger.

// The connection test. Its exit status (0: the unit answered); `version` the unit's version
// from the driver's trace ("3.7"), or "-" when the trace does not tell it.
int TestConnection(const TJobContext& context, TJobOutcome* outcome, std::string* version);

// The unit's version as the last version reply of a trace tells it: "reply accepted: version
// bytes 03 07" gives "3.7"; "" when the trace holds none. Pure.
std::string VersionFromTrace(const std::string& trace);

// What fetching the missing records came to.
struct TFetchResult {
    int status = 0;            // 0, or the exit status of the fetch that stopped it
    std::vector<int> refused;  // modules the unit refused and the fetch went past
    TDriverRun run;            // the last driver run
    // What the first run the unit refused came to, which the backup's outcome gives again:
    // a later run's success must not read as the backup's.
    TRunReport firstRefusal;
};

// Fetches what `records` lacks of the central record (when `central`) and of modules
// first..last, in runs of the missing numbers, adding each record to `records` as it comes.
// With `skipRefused` a module the unit refuses is noted and the fetch goes on with a new run
// from the next module; any other failure, or a stop, ends it.
TFetchResult FetchMissing(const TJobContext& context, TJobOutcome* outcome, bool central, int first,
                          int last, bool skipRefused, std::vector<TZvRecord>* records);

// The records ordered as a backup holds them: central first, then modules ascending, each
// number once.
void SortBackup(std::vector<TZvRecord>* records);

// Keeps a whole copy of the unit (its records' text) in the ledger as `kind` and says where;
// false with why it could not in `error`, for the caller to say. The unit is --unit, else the
// one the run folder remembers. `source` names where the records are besides ("" nowhere);
// `path`, when given, gets the copy's file in the ledger.
bool KeepCopy(const TJobContext& context, TJobOutcome* outcome, const std::string& text,
              const std::string& source, const char* kind, const TJobRequest& request,
              TZvError* error, std::string* path = nullptr);

// The unit a job's copies go under: --unit, else the one the run folder remembers, else
// "unnamed".
std::string UnitName(const TJobContext& context, const TJobRequest& request);

// A job without --unit in a folder that remembers a unit files its copies under that unit:
// refused (kExitNotTheSame, said) when the port is not the one that unit was last on, since
// it is then another unit. kExitOk otherwise.
int SameUnitAsTheFolders(const TJobContext& context, const TJobRequest& request,
                         TJobOutcome* outcome);

// The identity word of the port a job in this context uses, looked at now.
std::string ThisJobsPort(const TJobContext& context);

// The port the job uses, as the ledger names it: its identity once known, else "COMn".
std::string PortWord(const TJobContext& context, const TJobOutcome& outcome);

// Says how to finish a job that stopped: the command on a line of its own, after the message
// that ends with what it does; kept as the outcome's `finishing`.
void SayFinishing(const TJobContext& context, TJobOutcome* outcome, const std::string& command);

// Says the phase a job enters.
void EnterPhase(const TJobContext& context, TPhase phase);

// Says the problems of a record file that failed the check, then the error: its exit status.
int FailLoading(const TJobContext& context, TJobOutcome* outcome, const TZvError& error,
                const std::vector<std::string>& problems);
