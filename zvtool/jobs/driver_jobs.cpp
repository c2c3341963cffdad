#include "zvtool/jobs/driver_jobs.h"

#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "device/setup_records.h"
#include "driver/result_codes.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/output_rule.h"
#include "zvtool/jobs/unit_copy.h"
#include "zvtool/jobs/verdict.h"
#include "zvtool/platform/files.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_write.h"

namespace {

constexpr char kTempSuffix[] = ".zvtool-tmp";

std::string RangeText(int first, int last) {
    return first == last ? std::to_string(first)
                         : std::to_string(first) + "-" + std::to_string(last);
}

// Whether the checked records of a file are ones the send job can send: no error, or what
// is wrong with them.
TZvError CheckSendRecords(const TJobRequest& request, const std::vector<TZvRecord>& records) {
    const std::string& file = request.file;
    if (request.job == TZvJob::kSendCentral) {
        if (records.size() != 1 || records[0].number != kCentralRecordNumber) {
            return {kExitDataError,
                    file +
                        " must hold exactly one record, the central record (number 0), as "
                        "`zvtool fetch central` writes it",
                    ""};
        }
        return {};
    }
    for (const TZvRecord& record : records) {
        if (record.number < kFirstModul || record.number > kLastModul) {
            return {kExitDataError,
                    file + " holds record " + std::to_string(record.number) +
                        "; a module send takes module records 1 to 200 (send the central "
                        "record with `zvtool send central`)",
                    ""};
        }
    }
    // SendNumberOfModuls counts the passes of a send, one record each, up to the last module.
    if (records.size() > kLastModul) {
        return {kExitDataError,
                file + " holds " + std::to_string(records.size()) +
                    " records; one send takes at most 200",
                ""};
    }
    return {};
}

// A fetch that did not finish: what "fromZv.dat" holds is said, -o is left alone.
void SayWhatWasFetched(const TJobContext& context, TJobOutcome* outcome, bool toOutput) {
    outcome->partial = true;
    const int held = outcome->records < 0 ? 0 : outcome->records;
    Say(context, &outcome->end,
        Note(outcome->file + " holds the " + std::to_string(held) +
             (held == 1 ? " record" : " records") + " fetched before the job ended" +
             (toOutput ? "; nothing was written to -o" : "")));
}

}  // namespace

std::string RunFile(const TJobContext& context, const char* name) {
    return JoinPath(context.runFolder, name);
}

// The temporary file beside a name is made new, never opened where something is: a link
// left there (in a folder others may write) would take what is written into its target.
TZvError CanCreateBeside(const std::string& path) {
    const std::string probe = path + kTempSuffix;
    std::string error;
    RemoveFile(probe);
    if (!WriteNewFile(probe, "", &error)) {
        return {kExitCannotCreate, "cannot create files beside " + path + "; check its directory",
                ""};
    }
    RemoveFile(probe);
    return {};
}

TZvError CopyInto(const std::string& from, const std::string& to) {
    const std::string beside = to + kTempSuffix;
    std::string error;
    RemoveFile(beside);
    if (!CopyWholeFile(from, beside, &error) || !RenameReplacing(beside, to, &error)) {
        RemoveFile(beside);
        return {kExitCannotCreate, "cannot write " + to + " (copying " + from + "): " + error, ""};
    }
    return {};
}

TZvError PlanOutputFile(const TJobRequest& request, long long now, std::string* path) {
    const TOutputPlan plan = PlanOutput(request.output, request.force, request.dated, now,
                                        [](const std::string& name) { return FileExists(name); });
    if (plan.refused) {
        return {kExitCannotCreate,
                request.output + " exists; give --force to replace it" +
                    (request.job == TZvJob::kBackup
                         ? ", or --dated to write the backup under a name with the date and time"
                         : ""),
                ""};
    }
    *path = plan.path;
    return {};
}

const char* JobCommand(TZvJob job) {
    switch (job) {
        case TZvJob::kTest:
            return "test";
        case TZvJob::kFetchCentral:
        case TZvJob::kFetchModules:
            return "fetch";
        case TZvJob::kSendCentral:
        case TZvJob::kSendModules:
            return "send";
        case TZvJob::kBackup:
            return "backup";
        case TZvJob::kRestore:
            break;
    }
    return "restore";
}

std::string JobName(const TJobRequest& request) {
    switch (request.job) {
        case TZvJob::kFetchCentral:
            return "fetch central";
        case TZvJob::kFetchModules:
            return "fetch modules " + RangeText(request.first, request.last);
        case TZvJob::kSendCentral:
            return "send central";
        case TZvJob::kSendModules:
            return "send modules";
        default:
            return JobCommand(request.job);
    }
}

TDriverJob TestJob() {
    return {"testing the connection", {{"TestMiniZvConnection", 1}}, {}, 1, TJobKind::kTest};
}

TDriverJob FetchCentralJob() {
    return {"fetching the central record",
            {{"TestMiniZvConnection", 0}, {"GetData", 1}, {"ToZorvek", 0}},
            {},
            1,
            TJobKind::kFetchCentral};
}

TDriverJob FetchModulesJob(int first, int last) {
    TDriverJob job{
        (first == last ? "fetching module " : "fetching modules ") + RangeText(first, last),
        {{"TestMiniZvConnection", 0},
         {"GetData", 1},
         {"ToZorvek", 1},
         {"GetFromModulNumber", first},
         {"GetToModulNumber", last}},
        {},
        first,
        TJobKind::kFetchModules};
    for (int module = first; module <= last; ++module) {
        job.passModules.push_back(module);
    }
    return job;
}

TDriverJob SendCentralJob(bool ignoreMutBlock) {
    return {"sending the central record",
            {{"TestMiniZvConnection", 0},
             {"GetData", 0},
             {"ToZorvek", 0},
             {"IgnoreMutBlock", ignoreMutBlock ? 1 : 0}},
            {},
            1,
            TJobKind::kSendCentral};
}

TDriverJob SendModulesJob(const std::vector<TZvRecord>& records) {
    TDriverJob job{"sending " + std::to_string(records.size()) +
                       (records.size() == 1 ? " module record" : " module records"),
                   {{"TestMiniZvConnection", 0},
                    {"GetData", 0},
                    {"ToZorvek", 1},
                    {"SendNumberOfModuls", static_cast<int>(records.size())}},
                   {},
                   1,
                   TJobKind::kSendModules};
    for (const TZvRecord& record : records) {
        job.passModules.push_back(record.number);
    }
    return job;
}

void RunTestJob(const TJobContext& context, const TJobRequest&, TJobOutcome* outcome) {
    const TDriverJob job = TestJob();
    const TDriverRun run = RunDriverJob(context, outcome, job);
    outcome->end.exit = JudgeRun(context, outcome, job, run, kResultVersionAnswered);
    outcome->seconds = run.seconds;
}

void RunFetchJob(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome) {
    const bool modules = request.job == TZvJob::kFetchModules;
    const TDriverJob job =
        modules ? FetchModulesJob(request.first, request.last) : FetchCentralJob();
    std::string output;
    if (!request.output.empty()) {
        TZvError error = PlanOutputFile(request, context.clock.now(), &output);
        if (error.exit == kExitOk) {
            error = CanCreateBeside(output);
        }
        if (error.exit != kExitOk) {
            outcome->end.exit = Fail(context, &outcome->end, error);
            return;
        }
    }
    const std::string fetched = RunFile(context, kFromZvFile);
    RemoveFile(fetched);  // a file left from an earlier run is not this run's
    const TDriverRun run = RunDriverJob(context, outcome, job);
    int status = JudgeRun(context, outcome, job, run, kResultAllFetched);
    if (!run.started) {
        outcome->end.exit = status;
        return;
    }
    outcome->seconds = run.seconds;
    outcome->records = CountWholeRecords(fetched);
    outcome->file = fetched;
    if (status == kExitOk) {
        status = CheckRecordCount(context, outcome, fetched, outcome->records,
                                  modules ? request.last - request.first + 1 : 1);
    }
    if (status == kExitOk && !output.empty()) {
        if (const TZvError error = CopyInto(fetched, output); error.exit != kExitOk) {
            status = Fail(context, &outcome->end, error);
        } else {
            outcome->file = output;
            outcome->run.meaning = FetchedIntoMeaning(output);
        }
    } else if (status != kExitOk && status != kExitNotTheJob) {
        SayWhatWasFetched(context, outcome, !output.empty());
    } else if (status != kExitOk) {
        outcome->partial = true;
    }
    SayRunningFlag(context, outcome, run);
    outcome->end.exit = status;
}

void RunSendJob(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome) {
    std::vector<TZvRecord> records;
    std::vector<std::string> problems;
    TZvError error = LoadCheckedRecords(request.file, &records, &problems);
    if (error.exit != kExitOk) {
        outcome->end.exit = FailLoading(context, outcome, error, problems);
        return;
    }
    error = CheckSendRecords(request, records);
    if (error.exit == kExitOk) {
        error = CopyInto(request.file, RunFile(context, kToZvFile));
    }
    if (error.exit != kExitOk) {
        outcome->end.exit = Fail(context, &outcome->end, error);
        return;
    }
    const bool central = request.job == TZvJob::kSendCentral;
    const TDriverJob job =
        central ? SendCentralJob(request.ignoreMutBlock) : SendModulesJob(records);
    const TDriverRun run = RunDriverJob(context, outcome, job);
    const int status = JudgeRun(context, outcome, job, run, kResultAllSent);
    if (status != kExitOk && !central && run.result >= 0 && status != kExitNotTheJob) {
        Say(context, &outcome->end,
            Note("the send ended at record " + std::to_string(run.lastPass) + " of " +
                 std::to_string(records.size())));
    }
    SayRunningFlag(context, outcome, run);
    outcome->seconds = run.seconds;
    outcome->records = static_cast<int>(records.size());
    outcome->file = request.file;
    outcome->end.exit = status;
}
