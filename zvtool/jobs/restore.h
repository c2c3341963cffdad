#pragma once
#include <vector>

#include "zvtool/jobs/job.h"
#include "zvtool/jobs/request.h"
#include "zvtool/jobs/restore_plan.h"
#include "zvtool/records/record_file.h"

// Restore of a whole unit, safely, in two calls so that a front end can show the plan and ask
// before anything is sent: the first tests the link, copies the unit's records into the ledger
// and plans (only the records that differ from the file are sent); the second sends the plan
// and reads each record sent back to compare it. A restore that stops leaves a note of what
// is still unsent or not read back in the run folder, so that --resume finishes it.

struct TRestorePrepared {
    bool ready = false;   // the plan sends something and it was not a dry run
    double start = 0;     // when the restore began, on the context's clock
    TZvRecord central{};  // the file's central record
    TRestorePlan plan;
    std::vector<TZvRecord> unit;  // what the unit held of the file's records
    bool copied = false;          // `unit` is a whole copy (no resume, no --no-backup)
};

// Loads the file, tests the link, copies the unit and plans. The outcome is final unless
// `prepared->ready`: then SendUnitRestore carries the plan out.
void PlanUnitRestore(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                     TRestorePrepared* prepared);

// Sends the plan and reads it back.
void SendUnitRestore(const TJobContext& context, const TJobRequest& request,
                     const TRestorePrepared& prepared, TJobOutcome* outcome);

// The files of the run folder a restore writes itself: the note of an unfinished restore and
// the unit's records as they were, where the ledger cannot take them.
std::vector<std::string> RestoreFiles(const TJobContext& context);
