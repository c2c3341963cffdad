#include "zvtool/jobs/job_files.h"

#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "settings/profile.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/backup.h"
#include "zvtool/jobs/driver_jobs.h"
#include "zvtool/jobs/restore.h"
#include "zvtool/platform/files.h"

std::vector<std::string> FilesTheJobWrites(const TJobContext& context, const TJobRequest& request) {
    std::vector<std::string> files{DriverProfilePath(context.runFolder, kSettingsFile),
                                   DriverProfilePath(context.runFolder, kStatusFile)};
    const bool fetches = request.job != TZvJob::kTest && request.job != TZvJob::kSendCentral &&
                         request.job != TZvJob::kSendModules;
    const bool sends = request.job == TZvJob::kSendCentral || request.job == TZvJob::kSendModules ||
                       request.job == TZvJob::kRestore;
    if (fetches) {
        files.push_back(RunFile(context, kFromZvFile));
    }
    if (sends) {
        files.push_back(RunFile(context, kToZvFile));
    }
    std::vector<std::string> own;
    if (request.job == TZvJob::kBackup) {
        own = BackupFiles(context, request);
    } else if (request.job == TZvJob::kRestore) {
        own = RestoreFiles(context);
    } else if (!request.output.empty()) {
        own = {request.output};
    }
    files.insert(files.end(), own.begin(), own.end());
    if (!context.trace.empty()) {
        files.push_back(context.trace);
    }
    return files;
}

TZvError PlantedLinkAmong(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        const std::string link = ForeignLinkAt(file);
        if (!link.empty()) {
            return {kExitCannotCreate,
                    link +
                        "; zvtool writes through no link another account made: remove it (and "
                        "find out who made it); the driver was not started",
                    ""};
        }
    }
    return {};
}
