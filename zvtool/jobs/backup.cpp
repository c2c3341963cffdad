#include "zvtool/jobs/backup.h"

#include <string>
#include <vector>

#include "zvtool/exit_codes.h"
#include "zvtool/jobs/driver_jobs.h"
#include "zvtool/jobs/job_results.h"
#include "zvtool/jobs/stop_note.h"
#include "zvtool/jobs/unit_copy.h"
#include "zvtool/jobs/verdict.h"
#include "zvtool/ledger/ledger.h"
#include "zvtool/ledger/sha256.h"
#include "zvtool/numbered_name.h"
#include "zvtool/platform/files.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_write.h"

namespace {

constexpr char kPartialSuffix[] = ".partial";
// In the run folder: the records of a backup that can go nowhere else.
constexpr char kSpareFile[] = "zvtool-fetched.dat";

// The command that continues a backup that stopped, for the technician to run next.
std::string ResumeCommand(const TJobRequest& request, const std::string& output) {
    std::string command = "zvtool backup -o " + output;
    if (request.first != kFirstModul || request.last != kLastModul) {
        command +=
            " --modules " + std::to_string(request.first) + "-" + std::to_string(request.last);
    }
    return command + request.finishingOptions + " --resume";
}

constexpr char kNoteSuffix[] = ".note";

// What --resume goes on from: the records FILE.partial holds and the note the stopped backup
// left beside it.
struct TResume {
    bool noted = false;
    TStopNote note;
};

// Refuses a resume from another unit's records, or from records changed since; where the unit
// may be another with the same records, the message says that only the port tells them apart.
int Refuse(const TJobContext& context, TJobOutcome* outcome, const std::string& why,
           bool otherUnit = true) {
    return Fail(context, &outcome->end,
                {kExitNotTheSame, why + (otherUnit ? kOnlyThePortTells : ""), ""});
}

// What FILE.partial holds, for --resume: its records, or none when there is no such file. A
// partial file that changed since the backup stopped, or that was taken on another port, is
// refused.
int LoadPartial(const TJobContext& context, TJobOutcome* outcome, const std::string& partial,
                std::vector<TZvRecord>* records, TResume* resume) {
    if (!FileExists(partial)) {
        Say(context, &outcome->end,
            Note("no " + partial + " to resume from; the backup starts at the beginning"));
        return kExitOk;
    }
    std::vector<std::string> problems;
    if (const TZvError error = LoadCheckedRecords(partial, records, &problems);
        error.exit != kExitOk) {
        return FailLoading(context, outcome, error, problems);
    }
    std::string text;
    std::string error;
    resume->noted =
        ReadWholeFile(partial + kNoteSuffix, 1u << 16, &text, &error) == TReadResult::kRead &&
        ParseStopNote(text, &resume->note);
    if (!resume->noted) {
        Say(context, &outcome->end,
            Warning(partial + " carries no note of the unit it was taken from: its last record "
                              "is fetched again, to see that this is that unit"));
    } else if (const std::string sha = Sha256Hex(RecordFileText(*records));
               sha != resume->note.sha256) {
        return Refuse(context, outcome,
                      partial +
                          " was changed since the backup stopped: its records' SHA-256 "
                          "is " +
                          sha + ", and the note it left (" + partial + kNoteSuffix + ") says " +
                          resume->note.sha256 + "; run the backup without --resume",
                      false);
    } else if (const std::string mismatch =
                   StopNoteMismatch(resume->note, ThisJobsPort(context), "");
               !mismatch.empty()) {
        return Refuse(context, outcome, "cannot resume from " + partial + ": " + mismatch);
    }
    Say(context, &outcome->end,
        Info("resuming from " + partial + ": " + DescribeNumbers(*records)));
    return kExitOk;
}

// After the connection test of a resumed backup: the unit is of the version the note names,
// and its last record in FILE.partial is still what the unit holds (fetched again).
int SameUnitAsThePartial(const TJobContext& context, TJobOutcome* outcome,
                         const std::string& partial, const std::vector<TZvRecord>& records,
                         const TResume& resume) {
    if (const std::string mismatch = StopNoteMismatch(resume.note, "", outcome->unitVersion);
        resume.noted && !mismatch.empty()) {
        return Refuse(context, outcome, "cannot resume from " + partial + ": " + mismatch);
    }
    const TZvRecord& last = records.back();
    std::vector<TZvRecord> again;
    const TFetchResult fetch =
        FetchMissing(context, outcome, last.number == kCentralRecordNumber, last.number,
                     last.number == kCentralRecordNumber ? 0 : last.number, false, &again);
    if (fetch.status != kExitOk) {
        return fetch.status;
    }
    if (again.empty() || again.back().bytes != last.bytes) {
        return Refuse(context, outcome,
                      "cannot resume from " + partial + ": the unit's " + RecordName(last.number) +
                          " is not what it holds, so this is not the unit the backup was taken "
                          "from; run the backup without --resume");
    }
    return kExitOk;
}

// Beside FILE.partial: the note a resume checks it by.
void LeaveNote(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
               const std::string& partial, const std::vector<TZvRecord>& records) {
    TStopNote note;
    note.sha256 = Sha256Hex(RecordFileText(records));
    note.unit = UnitName(context, request);
    note.port = outcome->portIdentity;
    note.version = outcome->unitVersion;
    std::string error;
    if (!WriteTextFile(partial + kNoteSuffix, StopNoteText(note), &error)) {
        Say(context, &outcome->end,
            Warning("cannot write " + partial + kNoteSuffix + ": " + error +
                    "; a --resume will fetch the last record again to see it is this unit"));
    }
}

std::string ModuleList(const std::vector<int>& modules) {
    std::string text;
    for (int module : modules) {
        text += (text.empty() ? "" : ", ") + std::to_string(module);
    }
    return text;
}

// Where the backup goes, and with --resume the records its FILE.partial holds already.
int PrepareBackup(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                  std::string* output, std::vector<TZvRecord>* records, TResume* resume) {
    TZvError error = PlanOutputFile(request, context.clock.now(), output);
    if (error.exit == kExitOk) {
        error = CanCreateBeside(*output);
    }
    if (error.exit != kExitOk) {
        return Fail(context, &outcome->end, error);
    }
    if (const int same = SameUnitAsTheFolders(context, request, outcome); same != kExitOk) {
        return same;
    }
    return request.resume ? LoadPartial(context, outcome, *output + kPartialSuffix, records, resume)
                          : kExitOk;
}

// Why a backup that stopped is incomplete, where its records are and how to go on.
void SayIncomplete(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                   const std::string& output, const std::vector<TZvRecord>& records,
                   const std::vector<int>& refused, int status) {
    const std::string partial = output + kPartialSuffix;
    outcome->partial = true;
    std::string message;
    if (!refused.empty()) {
        message = "the backup is incomplete: the unit refused module" +
                  std::string(refused.size() == 1 ? " " : "s ") + ModuleList(refused) + "; " +
                  partial + " holds the other " + std::to_string(records.size()) + " records; " +
                  output + " was not written. To try the refused ones again:";
    } else {
        message = "the backup is incomplete: " + partial + " holds the " +
                  std::to_string(records.size()) + " records fetched (" + DescribeNumbers(records) +
                  "); " + output + " was not written. To continue at the first module it lacks:";
    }
    Fail(context, &outcome->end, {status, message, ""});
    SayFinishing(context, outcome, ResumeCommand(request, output));
}

// Fetches what the backup still lacks, after the connection test: its status, and the
// outcome of the first refusal given again when modules were refused.
int FetchBackup(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                const TResume& resume, std::vector<TZvRecord>* records, TFetchResult* fetch) {
    std::string version;
    fetch->status = TestConnection(context, outcome, &version);
    outcome->unitVersion = version;
    if (fetch->status == kExitOk && !records->empty()) {
        fetch->status = SameUnitAsThePartial(context, outcome, request.output + kPartialSuffix,
                                             *records, resume);
        if (fetch->status == kExitNotTheSame) {
            records->clear();
            return fetch->status;
        }
    }
    if (fetch->status == kExitOk) {
        EnterPhase(context, TPhase::kFetching);
        *fetch = FetchMissing(context, outcome, true, request.first, request.last,
                              request.skipRefused, records);
    }
    SortBackup(records);
    outcome->refused = fetch->refused;
    if (fetch->status == kExitOk && !fetch->refused.empty()) {
        // After modules the unit refused, the backup's outcome is the first refusal's, not
        // that of the run that fetched the last modules.
        outcome->run = fetch->firstRefusal;
        return kExitIncomplete;
    }
    return fetch->status;
}

// Where records that cannot go where they were to go are kept instead: the ledger when
// `whole` (a whole copy of the unit), else or then a numbered file in the run folder. Says
// where and why, and returns the exit status: kExitIoError, a driver has run.
int KeepElsewhere(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                  const std::vector<TZvRecord>& records, bool whole, const std::string& failure) {
    const std::string text = RecordFileText(records);
    const std::string count = std::to_string(records.size()) + " records";
    TZvError ledger;
    if (whole &&
        KeepCopy(context, outcome, text, "", kKindBackup, request, &ledger, &outcome->file)) {
        return Fail(
            context, &outcome->end,
            {kExitIoError,
             failure + "; the " + count + " are kept in the ledger as " + outcome->keptAs, ""});
    }
    const std::string spare =
        FirstFreeName(JoinPath(context.runFolder, kSpareFile),
                      [](const std::string& name) { return FileExists(name); });
    std::string error;
    if (!spare.empty() && WriteWholeFile(spare, text, &error)) {
        outcome->file = spare;
        return Fail(context, &outcome->end,
                    {kExitIoError,
                     failure + "; the " + count + " are in " + spare +
                         (whole ? " (" + ledger.message + ")" : ""),
                     ""});
    }
    outcome->records = -1;
    outcome->file.clear();
    return Fail(context, &outcome->end,
                {kExitIoError,
                 failure + "; the " + count + " fetched could not be kept anywhere (" +
                     (whole ? ledger.message + "; " : "") + spare + ": " + error + ")",
                 ""});
}

// Writes the records to `path` through FILE.partial renamed over it; "" or what went wrong.
std::string WriteBackup(const std::string& partial, const std::string& path,
                        const std::vector<TZvRecord>& records) {
    std::string error;
    if (!WriteRecordFile(partial, records, &error)) {
        RemoveFile(partial);
        return "cannot write " + partial + ": " + error;
    }
    if (path != partial && !RenameReplacing(partial, path, &error)) {
        return "cannot rename " + partial + " to " + path + ": " + error;
    }
    return "";
}

}  // namespace

std::vector<std::string> BackupFiles(const TJobContext& context, const TJobRequest& request) {
    std::vector<std::string> files{JoinPath(context.runFolder, kSpareFile)};
    if (!request.dated && !request.output.empty()) {
        const std::string partial = request.output + kPartialSuffix;
        files.insert(files.end(), {request.output, partial, partial + kNoteSuffix});
    }
    return files;
}

void RunBackup(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome) {
    const double start = context.clock.seconds();
    std::string output;
    std::vector<TZvRecord> records;
    TResume resume;
    if (const int prepared = PrepareBackup(context, request, outcome, &output, &records, &resume);
        prepared != kExitOk) {
        outcome->end.exit = prepared;
        return;
    }
    const std::string partial = output + kPartialSuffix;
    const std::size_t resumedWith = records.size();
    TFetchResult fetch;
    const int status = FetchBackup(context, request, outcome, resume, &records, &fetch);
    outcome->seconds = context.clock.seconds() - start;
    outcome->fetched = static_cast<int>(records.size() - resumedWith);
    outcome->end.exit = status;
    if (records.empty()) {
        return;
    }
    // Only a whole backup goes under its own name; what a failed one fetched stays beside it
    // under a name that says so.
    outcome->records = static_cast<int>(records.size());
    outcome->file = status == kExitOk ? output : partial;
    const std::string failure = WriteBackup(partial, outcome->file, records);
    if (!failure.empty()) {
        outcome->end.exit =
            KeepElsewhere(context, request, outcome, records, status == kExitOk, failure);
        return;
    }
    if (status == kExitOk) {
        outcome->run.meaning = FetchedIntoMeaning(output);
        RemoveFile(partial + kNoteSuffix);
        TZvError error;
        if (!KeepCopy(context, outcome, RecordFileText(records), output, kKindBackup, request,
                      &error)) {
            Say(context, &outcome->end, Warning(error.message));
        }
        return;
    }
    LeaveNote(context, request, outcome, partial, records);
    SayIncomplete(context, request, outcome, output, records, fetch.refused, status);
    SayRunningFlag(context, outcome, fetch.run);
}
