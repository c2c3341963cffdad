// Backup of a whole unit: the central record and the module records in one setup file,
// central first with number 0; a backup that stopped continues from what it fetched.
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
#include "zvtool/jobs/unit_copy.h"
#include "zvtool/jobs/verdict.h"
#include "zvtool/json.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_write.h"
#include "zvtool/report.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kPartialSuffix[] = ".partial";

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The command that continues a backup that stopped, for the technician to run next.
std::string ResumeCommand(const TZvOptions& options, const std::string& output) {
    std::string command = "zvtool backup -o " + output;
    if (options.first != kFirstModul || options.last != kLastModul) {
        command +=
            " --modules " + std::to_string(options.first) + "-" + std::to_string(options.last);
    }
    return command + FinishingOptions(options) + " --resume";
}

// What FILE.partial holds, for --resume: its records, or none when there is no such file.
int LoadPartial(const std::string& partial, std::vector<TZvRecord>* records) {
    std::FILE* file = std::fopen(partial.c_str(), "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "zvtool: no %s to resume from; the backup starts at the beginning\n",
                     partial.c_str());
        return kExitOk;
    }
    std::fclose(file);
    const int loaded = LoadCheckedRecords(partial.c_str(), *records);
    if (loaded == kExitOk) {
        std::fprintf(stderr, "resuming from %s: %s\n", partial.c_str(),
                     DescribeNumbers(*records).c_str());
    }
    return loaded;
}

std::string ModuleList(const std::vector<int>& modules) {
    std::string text;
    for (int module : modules) {
        text += (text.empty() ? "" : ", ") + std::to_string(module);
    }
    return text;
}

// Where the backup goes, and with --resume the records its FILE.partial holds already.
int PrepareBackup(const TZvOptions& options, std::string* output, std::vector<TZvRecord>* records) {
    if (const TZvError error = PlanOutputFile(options, output); error.exit != kExitOk) {
        return Fail(error);
    }
    if (const TZvError error = CanCreateBeside(*output); error.exit != kExitOk) {
        return Fail(error);
    }
    return options.resume ? LoadPartial(*output + kPartialSuffix, records) : kExitOk;
}

// Why a backup that stopped is incomplete, where its records are and how to go on.
void SayIncomplete(const TZvOptions& options, const std::string& output,
                   const std::vector<TZvRecord>& records, const std::vector<int>& refused,
                   int status) {
    const std::string partial = output + kPartialSuffix;
    CommandReport().partial = true;
    if (!refused.empty()) {
        CommandReport().members.push_back({"refused", "[" + ModuleList(refused) + "]"});
        PrintError({status,
                    "the backup is incomplete: the unit refused module" +
                        std::string(refused.size() == 1 ? " " : "s ") + ModuleList(refused) + "; " +
                        partial + " holds the other " + std::to_string(records.size()) +
                        " records; " + output +
                        " was not written. To try the refused ones again: " +
                        ResumeCommand(options, output),
                    ""});
    } else {
        PrintError({status,
                    "the backup is incomplete: " + partial + " holds the " +
                        std::to_string(records.size()) + " records fetched (" +
                        DescribeNumbers(records) + "); " + output +
                        " was not written. To continue at the first module it lacks: " +
                        ResumeCommand(options, output),
                    ""});
    }
}

// After modules the unit refused, the backup's outcome is the first refusal's, not that of
// the run that fetched the last modules.
void ReportFirstRefusal(const TReport& refusal) {
    TReport& report = CommandReport();
    report.result = refusal.result;
    report.meaning = refusal.meaning;
    report.failedModule = refusal.failedModule;
    report.account = refusal.account;
    report.repeats = refusal.repeats;
    report.cause = refusal.cause;
}

}  // namespace

int RunBackup(const TZvContext& context, const TZvOptions& options) {
    const Clock::time_point start = Clock::now();
    std::string output;
    std::vector<TZvRecord> records;
    if (const int prepared = PrepareBackup(options, &output, &records); prepared != kExitOk) {
        return prepared;
    }
    const std::string partial = output + kPartialSuffix;
    const std::size_t resumedWith = records.size();
    std::string version;
    TFetchResult fetch;
    fetch.status = TestConnection(context, &version);
    if (fetch.status == kExitOk) {
        fetch =
            FetchMissing(context, true, options.first, options.last, options.skipRefused, &records);
    }
    SortBackup(&records);
    const TDriverRun& run = fetch.run;
    int status = fetch.status;
    if (status == kExitOk && !fetch.refused.empty()) {
        status = kExitIncomplete;
        ReportFirstRefusal(fetch.firstRefusal);
    }
    TOutcome outcome{"backup", SecondsSince(start), static_cast<int>(records.size()), output};
    CommandReport().members.push_back({"unit_version", JsonString(version)});
    CommandReport().members.push_back({"fetched", std::to_string(records.size() - resumedWith)});
    if (records.size() == resumedWith && resumedWith == 0) {
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
        KeepCopy(output, "backup", options, context, version);
        return kExitOk;
    }
    SayIncomplete(options, output, records, fetch.refused, status);
    outcome.file = partial;
    SayRunningFlag(run);
    PrintOutcome(outcome);
    return status;
}
