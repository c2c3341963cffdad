#include "zvtool/jobs/unit_copy.h"

#include <algorithm>
#include <cstdio>

#include "datafile/comma_sep_file.h"
#include "driver/result_codes.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/driver_jobs.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/jobs/job_keys.h"
#include "zvtool/jobs/verdict.h"
#include "zvtool/ledger/ledger_order.h"
#include "zvtool/ledger/ledger_share.h"
#include "zvtool/ledger/ledger_store.h"
#include "zvtool/platform/files.h"
#include "zvtool/ports/port_identity.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_write.h"

namespace {

constexpr char kVersionNote[] = "reply accepted: version bytes ";

// The entries of the ledger that this workstation made, which its run folders remember.
std::vector<TLedgerEntry> MadeHere(const TJobContext& context, const TLedgerLog& log) {
    return EntriesMadeBy(log.entries, WorkstationWord(context.ledger.workstation));
}

// One fetch run: what it brought is added to `records`; its exit status.
int FetchRun(const TJobContext& context, TJobOutcome* outcome, const TDriverJob& job,
             std::vector<TZvRecord>* records, TDriverRun* run) {
    const std::string fetchedFile = RunFile(context, kFromZvFile);
    RemoveFile(fetchedFile);  // a file left from an earlier run is not this run's
    *run = RunDriverJob(context, outcome, job);
    int status = JudgeRun(context, outcome, job, *run, kResultAllFetched);
    const int held = CountWholeRecords(fetchedFile);
    if (status == kExitOk) {
        const int asked = job.passModules.empty() ? 1 : static_cast<int>(job.passModules.size());
        status = CheckRecordCount(context, outcome, fetchedFile, held, asked);
    }
    std::vector<TZvRecord> fetched;
    std::vector<std::string> problems;
    if (held > 0 && LoadCheckedRecords(fetchedFile, &fetched, &problems).exit == kExitOk) {
        // A refused module's record is not the unit's: only the passes before it count.
        const int failed = outcome->run.failedModule;
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

// Whether the run that stopped a fetch of first..last was the unit refusing a module in it.
bool RefusedWithin(const TRunReport& run, int first, int last) {
    return run.causeKnown && run.cause == TLineCause::kRefused && run.failedModule >= first &&
           run.failedModule <= last;
}

}  // namespace

void SayFinishing(const TJobContext& context, TJobOutcome* outcome, const std::string& command) {
    outcome->finishing = command;
    TEvent finishing;
    finishing.kind = TEventKind::kFinishing;
    finishing.what = command;
    context.Emit(finishing);
    Say(context, &outcome->end, Info("  " + command));
}

void EnterPhase(const TJobContext& context, TPhase phase) {
    TEvent event;
    event.kind = TEventKind::kPhase;
    event.phase = phase;
    context.Emit(event);
}

int FailLoading(const TJobContext& context, TJobOutcome* outcome, const TZvError& error,
                const std::vector<std::string>& problems) {
    for (const std::string& line : problems) {
        Say(context, &outcome->end, Info(line));
    }
    return Fail(context, &outcome->end, error);
}

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

int TestConnection(const TJobContext& context, TJobOutcome* outcome, std::string* version) {
    EnterPhase(context, TPhase::kTesting);
    const TDriverJob job = TestJob();
    const TDriverRun run = RunDriverJob(context, outcome, job);
    const int status = JudgeRun(context, outcome, job, run, kResultVersionAnswered);
    const std::string read = VersionFromTrace(TraceText(context));
    *version = read.empty() ? "-" : read;
    if (status == kExitOk) {
        Say(context, &outcome->end, Info("the unit answered: version " + *version));
    }
    return status;
}

TFetchResult FetchMissing(const TJobContext& context, TJobOutcome* outcome, bool central, int first,
                          int last, bool skipRefused, std::vector<TZvRecord>* records) {
    TFetchResult result;
    if (central && !Holds(*records, kCentralRecordNumber)) {
        result.status = FetchRun(context, outcome, FetchCentralJob(), records, &result.run);
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
        outcome->run.failedModule = -1;
        result.status =
            FetchRun(context, outcome, FetchModulesJob(module, end), records, &result.run);
        if (result.status == kExitOk) {
            module = end + 1;
            continue;
        }
        if (!skipRefused || !RefusedWithin(outcome->run, module, end)) {
            return result;
        }
        const int failed = outcome->run.failedModule;
        Say(context, &outcome->end,
            Note("module " + std::to_string(failed) + " refused; going on from module " +
                 std::to_string(failed + 1)));
        if (result.refused.empty()) {
            result.firstRefusal = outcome->run;
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

std::string UnitName(const TJobContext& context, const TJobRequest& request) {
    TLedgerLog log;
    std::string unread;
    ReadLedger(context.ledger, &log, &unread);
    return UnitForFolder(MadeHere(context, log), request.unit, context.runFolder);
}

int SameUnitAsTheFolders(const TJobContext& context, const TJobRequest& request,
                         TJobOutcome* outcome) {
    if (!request.unit.empty()) {
        return kExitOk;
    }
    TLedgerLog log;
    std::string unread;
    ReadLedger(context.ledger, &log, &unread);
    const std::vector<TLedgerEntry> made = MadeHere(context, log);
    const TLedgerEntry* remembered = RememberedEntry(made, context.runFolder);
    // A line older than workstations named the port as COMn: nothing to compare with.
    if (remembered == nullptr || remembered->workstation.empty() || remembered->port == "-") {
        return kExitOk;
    }
    const std::string port = ThisJobsPort(context);
    if (port == remembered->port || port == "-") {
        return kExitOk;
    }
    return Fail(context, &outcome->end,
                {kExitNotTheSame,
                 "this folder remembers the unit " + remembered->unit + ", last on the port " +
                     remembered->port + ", and this job's port is " + port +
                     ": that is another unit; give --unit NAME for it (--unit " + remembered->unit +
                     " if it is " + remembered->unit + " on another port)",
                 ""});
}

std::string ThisJobsPort(const TJobContext& context) {
    int comport = 0;
    PortInUse(context.runFolder, context.port, &comport);
    return PortIdentityWord(IdentifyPort(context.runFolder, comport));
}

std::string PortWord(const TJobContext& context, const TJobOutcome& outcome) {
    if (!outcome.portIdentity.empty()) {
        return outcome.portIdentity;
    }
    const int port = outcome.port > 0 ? outcome.port : context.port;
    return port > 0 ? "COM" + std::to_string(port) : "-";
}

bool KeepCopy(const TJobContext& context, TJobOutcome* outcome, const std::string& text,
              const std::string& source, const char* kind, const TJobRequest& request,
              TZvError* error, std::string* path) {
    TKeepRequest keep;
    keep.text = text;
    keep.source = source;
    keep.kind = kind;
    keep.unit = UnitName(context, request);
    keep.port = PortWord(context, *outcome);
    keep.version = outcome->unitVersion;
    keep.folder = context.runFolder;
    keep.time = context.clock.now();
    outcome->keptTried = true;
    TLedgerEntry kept;
    std::vector<TMessage> shared;
    *error = KeepAndShare(context.ledger, context.git, keep, &kept, &shared);
    if (error->exit != kExitOk) {
        return false;
    }
    outcome->keptAs = kept.id;
    const std::string file = LedgerFilePath(context.ledger.folder, kept);
    if (path != nullptr) {
        *path = file;
    }
    Say(context, &outcome->end,
        Info("kept in the ledger as " + kept.unit + "@1 (" + kept.id + "): " + file));
    for (const TMessage& message : shared) {
        Say(context, &outcome->end, message);
    }
    return true;
}
