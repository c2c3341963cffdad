#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/jobs/context.h"
#include "zvtool/jobs/request.h"

// The files a job writes, itself or through its driver, and the refusal of a job where one of
// them is a symbolic link that another account made (ForeignLinkAt): in a folder others may
// write, such a link is an attack or a mistake, and writing through it would change whatever
// it leads to. The COMn link is none of them: it is the one link read on purpose.

// The run folder's "zordrive.INI", "zordOUT.INI", the record files the job's driver runs
// write, zvtool's own files of the job (-o, a backup's partial file and note, a restore's note
// and copy) and the trace.
std::vector<std::string> FilesTheJobWrites(const TJobContext& context, const TJobRequest& request);

// No error, or kExitCannotCreate naming the first of the job's files that is such a link, its
// owner and its target, and that no driver was started.
TZvError PlantedLinkAmong(const std::vector<std::string>& files);
