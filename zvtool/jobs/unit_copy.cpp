#include "zvtool/jobs/unit_copy.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "datafile/comma_sep_file.h"
#include "driver/result_codes.h"
#include "settings/profile.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/commands.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/jobs/process.h"
#include "zvtool/jobs/verdict.h"
#include "zvtool/json.h"
#include "zvtool/ledger/ledger_store.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_write.h"
#include "zvtool/report.h"

namespace {

constexpr char kVersionNote[] = "reply accepted: version bytes ";

// One fetch run: what it brought is added to `records`; its exit status.
int FetchRun(const TZvContext& context, const TDriverJob& job, std::vector<TZvRecord>* records,
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
        // A refused module's record is not the unit's: only the passes before it count.
        const int failed = CommandReport().failedModule;
        for (const TZvRecord& record : fetched) {
            if (status == kExitOk || record.number != failed) {
                records->push_back(record);
            }
        }
    }
    return status;
}

bool Holds(const std::vector<TZvRecord>& records, int number) {
    return std::any_of(records.begin(), records.end(),
                       [number](const TZvRecord& record) { return record.number == number; });
}

}  // namespace

std::string VersionFromTrace(const std::string& trace) {
    const std::size_t at = trace.rfind(kVersionNote);
    if (at == std::string::npos) {
        return "";
    }
    unsigned a = 0;
    unsigned b = 0;
    if (std::sscanf(trace.c_str() + at + sizeof kVersionNote - 1, "%2x %2x", &a, &b) != 2) {
        return "";
    }
    return std::to_string(a) + "." + std::to_string(b);
}

int TestConnection(const TZvContext& context, std::string* version) {
    const TDriverJob job{"testing the connection", {{"TestMiniZvConnection", 1}}, {}, 1};
    const TDriverRun run = RunDriverJob(context, job);
    const int status = JudgeRun(context, job, run, kResultVersionAnswered);
    const std::string read = VersionFromTrace(JobTraceText());
    *version = read.empty() ? "-" : read;
    if (status == kExitOk) {
        std::fprintf(stderr, "the unit answered: version %s\n", version->c_str());
    }
    return status;
}

TFetchResult FetchMissing(const TZvContext& context, bool central, int first, int last,
                          bool skipRefused, std::vector<TZvRecord>* records) {
    TFetchResult result;
    if (central && !Holds(*records, kCentralRecordNumber)) {
        result.status = FetchRun(context, FetchCentralJob(), records, &result.run);
        if (result.status != kExitOk) {
            return result;
        }
    }
    int module = first;
    while (module <= last) {
        if (Holds(*records, module)) {
            ++module;
            continue;
        }
        int end = module;
        while (end < last && !Holds(*records, end + 1)) {
            ++end;
        }
        CommandReport().failedModule = -1;
        result.status = FetchRun(context, FetchModulesJob(module, end), records, &result.run);
        if (result.status == kExitOk) {
            module = end + 1;
            continue;
        }
        const int failed = CommandReport().failedModule;
        if (!skipRefused || CommandReport().cause != "refused" || failed < module || failed > end) {
            return result;
        }
        std::fprintf(stderr, "zvtool: module %d refused; going on from module %d\n", failed,
                     failed + 1);
        if (result.refused.empty()) {
            result.firstRefusal = CommandReport();
        }
        result.refused.push_back(failed);
        result.status = kExitOk;
        module = failed + 1;
    }
    return result;
}

void SortBackup(std::vector<TZvRecord>* records) {
    std::stable_sort(records->begin(), records->end(),
                     [](const TZvRecord& a, const TZvRecord& b) { return a.number < b.number; });
    records->erase(
        std::unique(records->begin(), records->end(),
                    [](const TZvRecord& a, const TZvRecord& b) { return a.number == b.number; }),
        records->end());
}

bool KeepCopy(const std::string& path, const char* kind, const TZvOptions& options,
              const TZvContext& context, const std::string& version) {
    const std::string folder = AbsolutePath(".");
    TKeepRequest request;
    request.path = path;
    request.kind = kind;
    request.unit = UnitForFolder(options.unit, folder);
    const int port = CommandReport().port > 0 ? CommandReport().port : context.port;
    request.port = port > 0 ? "COM" + std::to_string(port) : "-";
    request.version = version;
    request.folder = folder;
    request.time = static_cast<long long>(std::time(nullptr));
    TLedgerEntry kept;
    if (const TZvError error = KeepInLedger(request, &kept); error.exit != kExitOk) {
        PrintError({0, "warning: " + error.message, ""});
        CommandReport().members.push_back({"ledger", "null"});
        return false;
    }
    const std::string name = kept.unit + "@1";
    std::fprintf(stderr, "kept in the ledger as %s: %s\n", name.c_str(),
                 LedgerFilePath(LedgerFolder(), kept).c_str());
    CommandReport().members.push_back({"ledger", JsonString(name)});
    return true;
}
