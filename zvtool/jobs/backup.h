#pragma once
#include <string>
#include <vector>

#include "zvtool/jobs/job.h"
#include "zvtool/jobs/request.h"

// Backup of a whole unit: the central record and the module records in one setup file,
// central first with number 0; a backup that stopped continues from what it fetched.
void RunBackup(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome);

// The files a backup writes itself: FILE (unless --dated names another), FILE.partial and its
// note, and the run folder's spare "zvtool-fetched.dat".
std::vector<std::string> BackupFiles(const TJobContext& context, const TJobRequest& request);
