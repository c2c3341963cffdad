#include "zvtool/jobs/commands.h"

#include <cstdio>
#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "device/setup_records.h"
#include "driver/result_codes.h"
#include "settings/profile.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/outcome.h"
#include "zvtool/jobs/process.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_write.h"

namespace {

constexpr char kTempSuffix[] = ".zvtool-tmp";

std::string RangeText(int first, int last) {
    return first == last ? std::to_string(first)
                         : std::to_string(first) + "-" + std::to_string(last);
}

// The records of a file to send, checked: kExitOk, or the exit status with the problem
// printed when the file cannot be read, fails the check or holds records the job cannot send.
int LoadSendRecords(const TZvOptions& options, std::vector<TZvRecord>* records) {
    if (const int loaded = LoadCheckedRecords(options.file.c_str(), *records); loaded != kExitOk) {
        return loaded;
    }
    if (options.job == TZvJob::kSendCentral) {
        if (records->size() != 1 || (*records)[0].number != kCentralRecordNumber) {
            std::fprintf(stderr,
                         "zvtool: %s must hold exactly one record, the central record (number "
                         "0), as `zvtool fetch central` writes it\n",
                         options.file.c_str());
            return kExitDataError;
        }
        return kExitOk;
    }
    for (const TZvRecord& record : *records) {
        if (record.number < kFirstModul || record.number > kLastModul) {
            std::fprintf(stderr,
                         "zvtool: %s holds record %d; a module send takes module records 1 to "
                         "200 (send the central record with `zvtool send central`)\n",
                         options.file.c_str(), record.number);
            return kExitDataError;
        }
    }
    // SendNumberOfModuls counts the passes of a send, one record each, up to the last module.
    if (records->size() > kLastModul) {
        std::fprintf(stderr, "zvtool: %s holds %zu records; one send takes at most 200\n",
                     options.file.c_str(), records->size());
        return kExitDataError;
    }
    return kExitOk;
}

}  // namespace

bool CanCreateBeside(const std::string& path) {
    const std::string probe = path + kTempSuffix;
    std::FILE* file = std::fopen(probe.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "zvtool: cannot create files beside %s; check its directory\n",
                     path.c_str());
        return false;
    }
    std::fclose(file);
    std::remove(probe.c_str());
    return true;
}

bool CopyInto(const std::string& from, const std::string& to) {
    const std::string beside = to + kTempSuffix;
    if (!CopyWholeFile(from, beside) || !RenameReplacing(beside, to)) {
        std::remove(beside.c_str());
        std::fprintf(stderr, "zvtool: cannot write %s (copying %s)\n", to.c_str(), from.c_str());
        return false;
    }
    return true;
}

TDriverJob FetchCentralJob() {
    return {"fetching the central record",
            {{"TestMiniZvConnection", 0}, {"GetData", 1}, {"ToZorvek", 0}},
            {},
            1};
}

TDriverJob FetchModulesJob(int first, int last) {
    TDriverJob job{"fetching modules " + RangeText(first, last),
                   {{"TestMiniZvConnection", 0},
                    {"GetData", 1},
                    {"ToZorvek", 1},
                    {"GetFromModulNumber", first},
                    {"GetToModulNumber", last}},
                   {},
                   first};
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
            1};
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
    for (const TZvRecord& record : records) {
        job.passModules.push_back(record.number);
    }
    return job;
}

int RunTestJob(const TZvContext& context, const TZvOptions& options) {
    const TDriverRun run =
        RunDriverJob(context, {"testing the connection", {{"TestMiniZvConnection", 1}}, {}, 1});
    PrintOutcome({"test", run.result, run.seconds, -1, ""}, options.json);
    return ExitStatusOf(run, kResultVersionAnswered);
}

int RunFetchJob(const TZvContext& context, const TZvOptions& options) {
    const bool modules = options.job == TZvJob::kFetchModules;
    const TDriverJob job =
        modules ? FetchModulesJob(options.first, options.last) : FetchCentralJob();
    const std::string name =
        modules ? "fetch modules " + RangeText(options.first, options.last) : "fetch central";
    if (!options.output.empty() && !CanCreateBeside(options.output)) {
        return kExitCannotCreate;
    }
    std::remove(kFromZvFile);  // a file left from an earlier run is not this run's
    const TDriverRun run = RunDriverJob(context, job);
    TOutcome outcome{name, run.result, run.seconds, CountWholeRecords(kFromZvFile),
                     AbsolutePath(kFromZvFile)};
    int status = ExitStatusOf(run, kResultAllFetched);
    if (status == kExitOk && !options.output.empty()) {
        if (!CopyInto(kFromZvFile, options.output)) {
            status = kExitCannotCreate;
        } else {
            outcome.file = options.output;
        }
    } else if (status != kExitOk) {
        std::fprintf(stderr, "zvtool: %s holds the %d record%s fetched before the job ended%s\n",
                     AbsolutePath(kFromZvFile).c_str(), outcome.records,
                     outcome.records == 1 ? "" : "s",
                     options.output.empty() ? "" : "; nothing was written to -o");
    }
    SayRunningFlag(run);
    PrintOutcome(outcome, options.json);
    return status;
}

int RunSendJob(const TZvContext& context, const TZvOptions& options) {
    std::vector<TZvRecord> records;
    if (const int loaded = LoadSendRecords(options, &records); loaded != kExitOk) {
        return loaded;
    }
    if (!CopyInto(options.file, kToZvFile)) {
        return kExitCannotCreate;
    }
    const bool central = options.job == TZvJob::kSendCentral;
    const TDriverRun run = RunDriverJob(
        context, central ? SendCentralJob(options.ignoreMutBlock) : SendModulesJob(records));
    PrintOutcome({central ? "send central" : "send modules", run.result, run.seconds,
                  static_cast<int>(records.size()), options.file},
                 options.json);
    const int status = ExitStatusOf(run, kResultAllSent);
    if (status != kExitOk && !central) {
        std::fprintf(stderr, "zvtool: the send ended at record %d of %zu\n", run.lastPass,
                     records.size());
    }
    SayRunningFlag(run);
    return status;
}
