// Backup and restore of a whole unit: the central record and the module records in one
// setup file, central first with number 0.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "driver/result_codes.h"
#include "settings/profile.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/commands.h"
#include "zvtool/jobs/outcome.h"
#include "zvtool/jobs/process.h"
#include "zvtool/jobs/verdict.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_write.h"
#include "zvtool/report.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kPartialSuffix[] = ".partial";

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs one fetch of a backup and adds what it fetched to `records`: its exit status, not 0
// unless the fetch brought every record it asked for.
int FetchInto(const TZvContext& context, const TDriverJob& job, std::vector<TZvRecord>* records,
              TDriverRun* run) {
    std::remove(kFromZvFile);  // a file left from an earlier run is not this run's
    *run = RunDriverJob(context, job);
    int status = JudgeRun(context, job, *run, kResultAllFetched);
    const int held = CountWholeRecords(kFromZvFile);
    if (status == kExitOk) {
        const int asked = job.passModules.empty() ? 1 : static_cast<int>(job.passModules.size());
        status = CheckRecordCount(AbsolutePath(kFromZvFile), held, asked);
    }
    std::vector<TZvRecord> fetched;
    if (held > 0 && LoadCheckedRecords(kFromZvFile, fetched) == kExitOk) {
        records->insert(records->end(), fetched.begin(), fetched.end());
    }
    return status;
}

}  // namespace

int RunBackup(const TZvContext& context, const TZvOptions& options) {
    const Clock::time_point start = Clock::now();
    std::string output;
    if (const TZvError error = PlanOutputFile(options, &output); error.exit != kExitOk) {
        return Fail(error);
    }
    const std::string partial = output + kPartialSuffix;
    if (const TZvError error = CanCreateBeside(output); error.exit != kExitOk) {
        return Fail(error);
    }
    std::vector<TZvRecord> records;
    TDriverRun run;
    int status = FetchInto(context, FetchCentralJob(), &records, &run);
    if (status == kExitOk) {
        status = FetchInto(context, FetchModulesJob(options.first, options.last), &records, &run);
    }
    TOutcome outcome{"backup", SecondsSince(start), static_cast<int>(records.size()), output};
    if (!run.started && records.empty()) {
        PrintOutcome({"backup", outcome.seconds, -1, ""});
        return status;
    }
    // Only a whole backup goes under its own name; what a failed one fetched stays beside it
    // under a name that says so.
    if (!WriteRecordFile(partial, records)) {
        std::remove(partial.c_str());
        PrintError({kExitCannotCreate, "cannot write " + partial, ""});
        return status != kExitOk ? status : kExitCannotCreate;
    }
    if (status == kExitOk) {
        if (!RenameReplacing(partial, output)) {
            return Fail({kExitCannotCreate, "cannot rename " + partial + " to " + output, ""});
        }
        PrintOutcome(outcome);
        return kExitOk;
    }
    CommandReport().partial = true;
    if (records.empty()) {
        std::remove(partial.c_str());
        PrintError({status, "the backup failed before any record was fetched", ""});
        outcome.file.clear();
    } else {
        PrintError({status,
                    "the backup is incomplete: " + partial + " holds the " +
                        std::to_string(records.size()) + " records fetched (central first); " +
                        output + " was not written",
                    ""});
        outcome.file = partial;
    }
    SayRunningFlag(run);
    PrintOutcome(outcome);
    return status;
}

int RunRestore(const TZvContext& context, const TZvOptions& options) {
    const Clock::time_point start = Clock::now();
    std::vector<TZvRecord> records;
    if (const int loaded = LoadCheckedRecords(options.file.c_str(), records); loaded != kExitOk) {
        return loaded;
    }
    std::vector<TZvRecord> modules;
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (records[i].number == kCentralRecordNumber) {
            break;
        }
        modules.push_back(records[i]);
    }
    if (records[0].number != kCentralRecordNumber || modules.size() + 1 != records.size()) {
        return Fail({kExitDataError,
                     options.file +
                         " is not a setup file: it must hold the central record (number 0) first "
                         "and then module records only, as `zvtool backup` writes it",
                     ""});
    }

    if (!WriteRecordFile(kToZvFile, {records[0]})) {
        return Fail({kExitCannotCreate, "cannot write " + AbsolutePath(kToZvFile), ""});
    }
    const TDriverJob central = SendCentralJob(options.ignoreMutBlock);
    TDriverRun run = RunDriverJob(context, central);
    int status = JudgeRun(context, central, run, kResultAllSent);
    int sent = status == kExitOk ? 1 : 0;
    if (status != kExitOk) {
        PrintError(
            {status, "the restore stopped at the central record; no module record was sent", ""});
    } else if (!modules.empty()) {
        if (!WriteRecordFile(kToZvFile, modules)) {
            return Fail({kExitCannotCreate, "cannot write " + AbsolutePath(kToZvFile), ""});
        }
        const TDriverJob send = SendModulesJob(modules);
        run = RunDriverJob(context, send);
        status = JudgeRun(context, send, run, kResultAllSent);
        if (status == kExitOk) {
            sent += static_cast<int>(modules.size());
        } else {
            PrintError({status,
                        "the restore stopped at module record " + std::to_string(run.lastPass) +
                            " of " + std::to_string(modules.size()) +
                            "; the central record was sent",
                        ""});
        }
    }
    SayRunningFlag(run);
    PrintOutcome({"restore", SecondsSince(start), sent, options.file});
    return status;
}
