#pragma once
#include "zvtool/jobs/job.h"
#include "zvtool/jobs/request.h"

// Backup of a whole unit: the central record and the module records in one setup file,
// central first with number 0; a backup that stopped continues from what it fetched.
void RunBackup(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome);
