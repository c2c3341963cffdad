#include "zvtool/jobs/commands.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "device/setup_records.h"
#include "driver/result_codes.h"
#include "settings/profile.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/outcome.h"
#include "zvtool/jobs/output_rule.h"
#include "zvtool/jobs/places.h"
#include "zvtool/jobs/process.h"
#include "zvtool/jobs/verdict.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_write.h"
#include "zvtool/report.h"

namespace {

constexpr char kTempSuffix[] = ".zvtool-tmp";

std::string RangeText(int first, int last) {
    return first == last ? std::to_string(first)
                         : std::to_string(first) + "-" + std::to_string(last);
}

// Whether the checked records of a file are ones the send job can send: no error, or what
// is wrong with them.
TZvError CheckSendRecords(const TZvOptions& options, const std::vector<TZvRecord>& records) {
    const std::string& file = options.file;
    if (options.job == TZvJob::kSendCentral) {
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

}  // namespace

TZvError CanCreateBeside(const std::string& path) {
    const std::string probe = path + kTempSuffix;
    std::FILE* file = std::fopen(probe.c_str(), "wb");
    if (file == nullptr) {
        return {kExitCannotCreate, "cannot create files beside " + path + "; check its directory",
                ""};
    }
    std::fclose(file);
    std::remove(probe.c_str());
    return {};
}

TZvError CopyInto(const std::string& from, const std::string& to) {
    const std::string beside = to + kTempSuffix;
    if (!CopyWholeFile(from, beside) || !RenameReplacing(beside, to)) {
        std::remove(beside.c_str());
        return {kExitCannotCreate, "cannot write " + to + " (copying " + from + ")", ""};
    }
    return {};
}

TZvError PlanOutputFile(const TZvOptions& options, std::string* path) {
    const TOutputPlan plan =
        PlanOutput(options.output, options.force, options.dated, std::time(nullptr), FileExists);
    if (plan.refused) {
        return {kExitCannotCreate,
                options.output + " exists; give --force to replace it" +
                    (options.job == TZvJob::kBackup
                         ? ", or --dated to write the backup under a name with the date and time"
                         : ""),
                ""};
    }
    *path = plan.path;
    return {};
}

std::string JobName(const TZvOptions& options) {
    switch (options.job) {
        case TZvJob::kFetchCentral:
            return "fetch central";
        case TZvJob::kFetchModules:
            return "fetch modules " + RangeText(options.first, options.last);
        case TZvJob::kSendCentral:
            return "send central";
        case TZvJob::kSendModules:
            return "send modules";
        default:
            return options.command;
    }
}

std::string FinishingOptions(const TZvOptions& options) {
    std::string text;
    if (!options.dir.empty()) {
        text += " --dir " + options.dir;
    }
    if (!options.unit.empty()) {
        text += " --unit " + options.unit;
    }
    return text;
}

TDriverJob FetchCentralJob() {
    TDriverJob job{"fetching the central record",
                   {{"TestMiniZvConnection", 0}, {"GetData", 1}, {"ToZorvek", 0}},
                   {},
                   1};
    job.kind = TJobKind::kFetchCentral;
    return job;
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
        first};
    job.kind = TJobKind::kFetchModules;
    for (int module = first; module <= last; ++module) {
        job.passModules.push_back(module);
    }
    return job;
}

TDriverJob SendCentralJob(bool ignoreMutBlock) {
    TDriverJob job{"sending the central record",
                   {{"TestMiniZvConnection", 0},
                    {"GetData", 0},
                    {"ToZorvek", 0},
                    {"IgnoreMutBlock", ignoreMutBlock ? 1 : 0}},
                   {},
                   1};
    job.kind = TJobKind::kSendCentral;
    return job;
}

TDriverJob SendModulesJob(const std::vector<TZvRecord>& records) {
    TDriverJob job{"sending " + std::to_string(records.size()) +
                       (records.size() == 1 ? " module record" : " module records"),
                   {{"TestMiniZvConnection", 0},
                    {"GetData", 0},
                    {"ToZorvek", 1},
                    {"SendNumberOfModuls", static_cast<int>(records.size())}},
                   {},
                   1};
    job.kind = TJobKind::kSendModules;
    for (const TZvRecord& record : records) {
        job.passModules.push_back(record.number);
    }
    return job;
}

int RunTestJob(const TZvContext& context, const TZvOptions&) {
    const TDriverJob job{"testing the connection", {{"TestMiniZvConnection", 1}}, {}, 1};
    const TDriverRun run = RunDriverJob(context, job);
    const int status = JudgeRun(context, job, run, kResultVersionAnswered);
    PrintOutcome({"test", run.seconds, -1, ""});
    return status;
}

int RunFetchJob(const TZvContext& context, const TZvOptions& options) {
    const bool modules = options.job == TZvJob::kFetchModules;
    const TDriverJob job =
        modules ? FetchModulesJob(options.first, options.last) : FetchCentralJob();
    const std::string name = JobName(options);
    std::string output;
    if (!options.output.empty()) {
        if (const TZvError error = PlanOutputFile(options, &output); error.exit != kExitOk) {
            return Fail(error);
        }
        if (const TZvError error = CanCreateBeside(output); error.exit != kExitOk) {
            return Fail(error);
        }
    }
    std::remove(kFromZvFile);  // a file left from an earlier run is not this run's
    const TDriverRun run = RunDriverJob(context, job);
    const std::string fetched = AbsolutePath(kFromZvFile);
    TOutcome outcome{name, run.seconds, CountWholeRecords(kFromZvFile), fetched};
    int status = JudgeRun(context, job, run, kResultAllFetched);
    if (!run.started) {
        PrintOutcome({name, 0, -1, ""});
        return status;
    }
    if (status == kExitOk) {
        status = CheckRecordCount(fetched, outcome.records,
                                  modules ? options.last - options.first + 1 : 1);
    }
    if (status == kExitOk && !output.empty()) {
        if (const TZvError error = CopyInto(kFromZvFile, output); error.exit != kExitOk) {
            status = Fail(error);
        } else {
            outcome.file = output;
        }
    } else if (status != kExitOk) {
        CommandReport().partial = true;
        const int held = outcome.records < 0 ? 0 : outcome.records;
        if (status != kExitNotTheJob) {
            Note(fetched + " holds the " + std::to_string(held) +
                 (held == 1 ? " record" : " records") + " fetched before the job ended" +
                 (output.empty() ? "" : "; nothing was written to -o"));
        }
    }
    SayRunningFlag(run);
    PrintOutcome(outcome);
    return status;
}

int RunSendJob(const TZvContext& context, const TZvOptions& options) {
    std::vector<TZvRecord> records;
    if (const int loaded = LoadCheckedRecords(options.file.c_str(), records); loaded != kExitOk) {
        return loaded;
    }
    if (const TZvError error = CheckSendRecords(options, records); error.exit != kExitOk) {
        return Fail(error);
    }
    if (const TZvError error = CopyInto(options.file, kToZvFile); error.exit != kExitOk) {
        return Fail(error);
    }
    const bool central = options.job == TZvJob::kSendCentral;
    const TDriverJob job =
        central ? SendCentralJob(options.ignoreMutBlock) : SendModulesJob(records);
    const TDriverRun run = RunDriverJob(context, job);
    const int status = JudgeRun(context, job, run, kResultAllSent);
    if (status != kExitOk && !central && run.result >= 0 && status != kExitNotTheJob) {
        Note("the send ended at record " + std::to_string(run.lastPass) + " of " +
             std::to_string(records.size()));
    }
    SayRunningFlag(run);
    PrintOutcome({JobName(options), run.seconds, static_cast<int>(records.size()), options.file});
    return status;
}
