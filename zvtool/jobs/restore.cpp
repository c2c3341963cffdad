#include "zvtool/jobs/restore.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "driver/result_codes.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/driver_jobs.h"
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

// In the run folder: the unit as it was before the restore (until the ledger has it), and
// the note of an unfinished restore: the file, its SHA-256 and the numbers still to do.
constexpr char kBeforeFile[] = "zvtool-before.dat";
constexpr char kRestoreNote[] = "zvtool-restore.todo";
constexpr std::size_t kMostNoteBytes = 1u << 20;

std::string FileSha(const std::string& path) {
    std::string text;
    std::string error;
    return ReadRecordFile(path, &text, &error) ? Sha256Hex(text) : "";
}

// The note of the records still to do; a note that cannot be written is said, since --resume
// would then not know them.
void WriteNote(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
               const std::vector<int>& numbers) {
    TStopNote note;
    note.file = request.file;
    note.sha256 = FileSha(request.file);
    note.unit = UnitName(context, request);
    note.port = outcome->portIdentity;
    note.version = outcome->unitVersion;
    note.todo = numbers;
    std::string error;
    const std::string path = RunFile(context, kRestoreNote);
    if (!WriteTextFile(path, StopNoteText(note), &error)) {
        Say(context, &outcome->end,
            Warning("cannot write " + path + ": " + error +
                    "; --resume will not know which records are still to do, so run the whole "
                    "restore again (it sends only what differs)"));
    }
}

// The note of an unfinished restore of `file`; false when there is none (or it was of
// another file, or the file changed since).
bool ReadNote(const TJobContext& context, const std::string& file, TStopNote* note) {
    std::string text;
    std::string error;
    return ReadWholeFile(RunFile(context, kRestoreNote), kMostNoteBytes, &text, &error) ==
               TReadResult::kRead &&
           ParseStopNote(text, note) && note->file == file && note->sha256 == FileSha(file);
}

std::vector<int> Numbers(const TRestorePlan& plan) {
    std::vector<int> numbers;
    if (plan.central) {
        numbers.push_back(kCentralRecordNumber);
    }
    for (const TZvRecord& record : plan.modules) {
        numbers.push_back(record.number);
    }
    return numbers;
}

std::string NumberList(const std::vector<int>& numbers) {
    std::vector<TZvRecord> records;
    for (int number : numbers) {
        records.push_back({number, {}});
    }
    return DescribeNumbers(records);
}

// The command that finishes a restore that stopped, said after the message that stops it.
void Finishing(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome) {
    SayFinishing(context, outcome,
                 "zvtool restore " + request.file + request.finishingOptions + " --resume");
}

// Says what the unit holds after the restore stopped while sending, and how to finish.
int Stopped(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
            int status, const std::vector<int>& sent, const std::vector<int>& unsent) {
    std::string holds = sent.empty() ? "no record of the file was sent"
                                     : "the unit holds the file's " + NumberList(sent);
    if (!unsent.empty()) {
        holds += "; " + NumberList(unsent) + (unsent.size() == 1 ? " is" : " are") +
                 " still as before (or, for the record under way, either way)";
    }
    const int stopped =
        Fail(context, &outcome->end,
             {status,
              "the restore stopped: " + holds + ". Nothing was read back yet. Finish with:", ""});
    Finishing(context, request, outcome);
    return stopped;
}

// The records of `file` that are a setup file's: central first, then modules.
int LoadSetupFile(const TJobContext& context, TJobOutcome* outcome, const std::string& file,
                  std::vector<TZvRecord>* records) {
    std::vector<std::string> problems;
    if (const TZvError error = LoadCheckedRecords(file, records, &problems);
        error.exit != kExitOk) {
        return FailLoading(context, outcome, error, problems);
    }
    bool setup = (*records)[0].number == kCentralRecordNumber;
    for (std::size_t i = 1; i < records->size(); ++i) {
        setup = setup && (*records)[i].number != kCentralRecordNumber;
    }
    if (!setup) {
        return Fail(
            context, &outcome->end,
            {kExitDataError,
             file + " is not a setup file: it must hold the central record (number 0) first "
                    "and then module records only, as `zvtool backup` writes it",
             ""});
    }
    return kExitOk;
}

// Keeps the unit's records as they were: in the ledger, or where it cannot take them in a
// numbered file of the run folder ("zvtool-before.dat", "zvtool-before-2.dat", ...), never
// over an earlier one. kExitOk, or kExitIoError when they can be kept nowhere.
int KeepUnitAsItWas(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                    const std::vector<TZvRecord>& unit) {
    const std::string text = RecordFileText(unit);
    TZvError ledger;
    if (KeepCopy(context, outcome, text, "", request.dryRun ? kKindCopy : kKindPreRestore, request,
                 &ledger)) {
        return kExitOk;
    }
    const std::string before = FirstFreeName(
        RunFile(context, kBeforeFile), [](const std::string& name) { return FileExists(name); });
    std::string error;
    if (!before.empty() && WriteWholeFile(before, text, &error)) {
        Say(context, &outcome->end,
            Note("the unit's records as they were are kept in " + before + ": " + ledger.message));
        return kExitOk;
    }
    // A driver has run (the copy), so not the code that says none was started.
    return Fail(context, &outcome->end,
                {kExitIoError,
                 "the unit's records as they were can be kept nowhere (" + ledger.message + "; " +
                     before + ": " + error +
                     "), so nothing was sent; give --no-backup to restore "
                     "without a copy",
                 ""});
}

// The unit's records that the file holds (within --modules), fetched in runs of consecutive
// numbers; kept as they were unless `keep` is false (a resumed restore reads only the records
// still to do, which is no copy of the unit).
int CopyUnit(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
             const std::vector<TZvRecord>& file, bool central, bool keep,
             std::vector<TZvRecord>* unit) {
    EnterPhase(context, TPhase::kCopying);
    std::vector<TZvRecord> modules;
    for (const TZvRecord& record : file) {
        if (record.number >= request.first && record.number <= request.last) {
            modules.push_back(record);
        }
    }
    SortBackup(&modules);
    TFetchResult fetch;
    if (central) {
        fetch = FetchMissing(context, outcome, true, 1, 0, false, unit);
    }
    for (std::size_t i = 0; fetch.status == kExitOk && i < modules.size();) {
        std::size_t j = i;
        while (j + 1 < modules.size() && modules[j + 1].number == modules[j].number + 1) {
            ++j;
        }
        fetch = FetchMissing(context, outcome, false, modules[i].number, modules[j].number, false,
                             unit);
        i = j + 1;
    }
    if (fetch.status != kExitOk) {
        return Fail(context, &outcome->end,
                    {fetch.status,
                     fetch.status == kExitInterrupted
                         ? "the copy of the unit was stopped, so nothing was sent"
                         : "reading the unit's records failed, so nothing was sent",
                     ""});
    }
    SortBackup(unit);
    return keep ? KeepUnitAsItWas(context, request, outcome, *unit) : kExitOk;
}

// Writes "ToZv.dat" for one send job: kExitOk, or kExitCannotCreate said.
int WriteToZv(const TJobContext& context, TJobOutcome* outcome,
              const std::vector<TZvRecord>& records) {
    const std::string toZv = RunFile(context, kToZvFile);
    std::string error;
    if (!WriteRecordFile(toZv, records, &error)) {
        return Fail(context, &outcome->end,
                    {kExitCannotCreate, "cannot write " + toZv + ": " + error, ""});
    }
    return kExitOk;
}

// One send job of the plan: kExitOk, or the status it stopped with after the running flag
// was said. `passesDone` gets the passes the driver got through.
int RunSend(const TJobContext& context, TJobOutcome* outcome, const TDriverJob& job,
            int* passesDone) {
    const TDriverRun run = RunDriverJob(context, outcome, job);
    const int status = JudgeRun(context, outcome, job, run, kResultAllSent);
    // The passes before the last one reported were carried out; the last may have been.
    *passesDone = run.lastPass > 0 ? run.lastPass - 1 : 0;
    if (status != kExitOk) {
        SayRunningFlag(context, outcome, run);
    }
    return status;
}

// Sends what the plan says, the central record with its own job, the module records as one
// module send; kExitOk or the status it stopped with, said. `sent` gets the numbers of the
// records the unit took.
int SendPlan(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
             const TRestorePrepared& prepared, std::vector<int>* sent) {
    const TRestorePlan& plan = prepared.plan;
    std::vector<int> unsent = Numbers(plan);
    int done = 0;
    if (plan.central) {
        if (const int written = WriteToZv(context, outcome, {prepared.central});
            written != kExitOk) {
            return written;
        }
        const int status = RunSend(context, outcome, SendCentralJob(request.ignoreMutBlock), &done);
        if (status != kExitOk) {
            return Stopped(context, request, outcome, status, *sent, unsent);
        }
        sent->push_back(kCentralRecordNumber);
        unsent.erase(unsent.begin());
    }
    if (plan.modules.empty()) {
        return kExitOk;
    }
    if (const int written = WriteToZv(context, outcome, plan.modules); written != kExitOk) {
        return written;
    }
    const int status = RunSend(context, outcome, SendModulesJob(plan.modules), &done);
    if (status != kExitOk) {
        for (int i = 0; i < done; ++i) {
            sent->push_back(unsent.front());
            unsent.erase(unsent.begin());
        }
        return Stopped(context, request, outcome, status, *sent, unsent);
    }
    return kExitOk;
}

// The records read back otherwise than they were sent, and for each one read back the first
// byte that differs ("; module 7: 1 byte differs, the first at offset 10 (sent 5, read back
// 6)") in `detail`.
std::vector<int> DifferingRecords(const std::vector<TZvRecord>& sent,
                                  const std::vector<TZvRecord>& back, std::string* detail) {
    std::vector<int> differ;
    for (const TRecordChange& change : CompareRecords(sent, back).records) {
        differ.push_back(change.number);
        if (change.in == 3 && !change.bytes.empty()) {
            const TByteChange& byte = change.bytes.front();
            *detail += "; " + RecordName(change.number) + ": " +
                       std::to_string(change.bytes.size()) +
                       (change.bytes.size() == 1 ? " byte differs" : " bytes differ") +
                       ", the first at offset " + std::to_string(byte.offset) + " (sent " +
                       std::to_string(byte.a) + ", read back " + std::to_string(byte.b) + ")";
        }
    }
    return differ;
}

// Fetches each record sent and compares it with the file's. kExitOk when all read back the
// same; kExitReadBack with those that differ said (and left to do).
int ReadBack(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
             const TRestorePrepared& prepared) {
    EnterPhase(context, TPhase::kReadingBack);
    const TRestorePlan& plan = prepared.plan;
    std::vector<TZvRecord> back;
    TFetchResult fetch;
    if (plan.central) {
        fetch = FetchMissing(context, outcome, true, 1, 0, false, &back);
    }
    for (std::size_t i = 0; fetch.status == kExitOk && i < plan.readBack.size(); ++i) {
        fetch = FetchMissing(context, outcome, false, plan.readBack[i].first,
                             plan.readBack[i].second, false, &back);
    }
    const std::vector<int> numbers = Numbers(plan);
    if (fetch.status != kExitOk) {
        SayRunningFlag(context, outcome, fetch.run);
        const int stopped =
            Fail(context, &outcome->end,
                 {fetch.status,
                  "the unit holds every record sent (" + NumberList(numbers) +
                      "), but reading them back stopped before the end; finish with:",
                  ""});
        Finishing(context, request, outcome);
        return stopped;
    }
    std::vector<TZvRecord> sentRecords = plan.modules;
    if (plan.central) {
        sentRecords.insert(sentRecords.begin(), prepared.central);
    }
    std::string detail;
    const std::vector<int> differ = DifferingRecords(sentRecords, back, &detail);
    const int count = static_cast<int>(numbers.size());
    outcome->readBack = {true, count, count - static_cast<int>(differ.size()), differ};
    if (differ.empty()) {
        RemoveFile(RunFile(context, kRestoreNote));
        return kExitOk;
    }
    WriteNote(context, request, outcome, differ);
    Fail(context, &outcome->end,
         {kExitReadBack,
          std::to_string(differ.size()) + " of " + std::to_string(count) +
              " records read back differ from what was sent (" + NumberList(differ) + ")" + detail +
              ". The unit does not keep them as sent; if they differ again, the unit's memory is "
              "at fault. Send them again with:",
          ""});
    Finishing(context, request, outcome);
    return kExitReadBack;
}

// A file whose records all lie outside --modules (and without the central record, which
// --modules leaves alone) has nothing to restore: said before anything runs.
int OutsideTheRange(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                    const std::vector<TZvRecord>& file, bool central) {
    for (const TZvRecord& record : file) {
        if ((record.number == kCentralRecordNumber && central) ||
            (record.number >= request.first && record.number <= request.last)) {
            return kExitOk;
        }
    }
    return Fail(context, &outcome->end,
                {kExitUsage,
                 request.file + " holds no record in --modules " + std::to_string(request.first) +
                     "-" + std::to_string(request.last) + " (it holds " + DescribeNumbers(file) +
                     "), so there is nothing to restore",
                 ""});
}

// After every record sent read back the same, the unit's new state goes into the ledger as
// "restored": its copy before the restore with the records sent. Only where the whole copy
// is known (not after a resume, which read just what was still to do).
void KeepRestoredState(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                       const TRestorePrepared& prepared) {
    if (!prepared.copied && !request.noBackup) {
        return;
    }
    std::vector<TZvRecord> state = prepared.unit;
    std::vector<TZvRecord> sent = prepared.plan.modules;
    if (prepared.plan.central) {
        sent.push_back(prepared.central);
    }
    state.insert(state.end(), sent.begin(), sent.end());
    std::reverse(state.begin(), state.end());  // the records sent win over those they replace
    SortBackup(&state);
    TZvError error;
    if (!KeepCopy(context, outcome, RecordFileText(state), "", kKindRestored, request, &error)) {
        Say(context, &outcome->end, Warning(error.message));
    }
}

// How the restore ended: its last line in words, its time and records, its exit status.
void Conclude(const TJobContext& context, const TJobRequest& request, double start, int records,
              const std::string& summary, int status, TJobOutcome* outcome) {
    outcome->seconds = context.clock.seconds() - start;
    outcome->records = records;
    outcome->file = request.file;
    outcome->summary = summary;
    outcome->end.exit = status;
}

// The records of the file to restore, and whether its central record is to go; with
// --resume only those that the unfinished restore's note still lists.
int LoadRestore(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                std::vector<TZvRecord>* file, bool* central, TStopNote* note) {
    if (const int loaded = LoadSetupFile(context, outcome, request.file, file); loaded != kExitOk) {
        return loaded;
    }
    *central = !request.rangeGiven;
    if (!request.resume) {
        return kExitOk;
    }
    if (!ReadNote(context, request.file, note)) {
        return Fail(context, &outcome->end,
                    {kExitNoInput,
                     "no unfinished restore of " + request.file +
                         " to resume here (or the file changed since); run it without "
                         "--resume",
                     ""});
    }
    if (const std::string mismatch = StopNoteMismatch(*note, ThisJobsPort(context), "");
        !mismatch.empty()) {
        return Fail(
            context, &outcome->end,
            {kExitNotTheSame,
             "cannot resume the restore of " + request.file + ": " + mismatch + kOnlyThePortTells,
             ""});
    }
    const std::vector<int>& todo = note->todo;
    // Only what is still to do: the rest was sent and read back the same.
    std::vector<TZvRecord> left;
    *central = false;
    for (const TZvRecord& record : *file) {
        for (int number : todo) {
            if (record.number == number) {
                left.push_back(record);
                *central = *central || number == kCentralRecordNumber;
            }
        }
    }
    Say(context, &outcome->end,
        Info("resuming the restore of " + request.file + ": " + NumberList(todo) + " still to do"));
    *file = left;
    return kExitOk;
}

// The connection test; a resumed restore's unit must be of the version the stopped one met.
int TestTheUnit(const TJobContext& context, const TJobRequest& request, const TStopNote& note,
                TJobOutcome* outcome) {
    std::string version;
    const int tested = TestConnection(context, outcome, &version);
    outcome->unitVersion = version;
    if (const std::string mismatch = StopNoteMismatch(note, "", version);
        tested == kExitOk && !mismatch.empty()) {
        return Fail(
            context, &outcome->end,
            {kExitNotTheSame,
             "cannot resume the restore of " + request.file + ": " + mismatch + kOnlyThePortTells,
             ""});
    }
    return tested;
}

// What the unit holds now, kept in the ledger (on resume just the records to do), to compare
// the file with; --no-backup copies nothing.
int CopyBeforeRestore(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                      const std::vector<TZvRecord>& file, bool central,
                      TRestorePrepared* prepared) {
    if (request.noBackup && !request.resume) {
        Say(context, &outcome->end,
            Warning("--no-backup: no copy of the unit is kept, and with nothing to compare every "
                    "record is sent"));
        return kExitOk;
    }
    prepared->copied = !request.resume;
    return CopyUnit(context, request, outcome, file, central, !request.resume, &prepared->unit);
}

}  // namespace

std::vector<std::string> RestoreFiles(const TJobContext& context) {
    return {RunFile(context, kRestoreNote), RunFile(context, kBeforeFile)};
}

void PlanUnitRestore(const TJobContext& context, const TJobRequest& request, TJobOutcome* outcome,
                     TRestorePrepared* prepared) {
    prepared->start = context.clock.seconds();
    const double start = prepared->start;
    std::vector<TZvRecord> file;
    bool central = false;
    TStopNote note;
    if (const int loaded = LoadRestore(context, request, outcome, &file, &central, &note);
        loaded != kExitOk) {
        outcome->end.exit = loaded;
        return;
    }
    prepared->central = file.empty() || file[0].number != kCentralRecordNumber
                            ? TZvRecord{kCentralRecordNumber, {}}
                            : file[0];
    if (int refused = OutsideTheRange(context, request, outcome, file, central);
        refused != kExitOk ||
        (refused = SameUnitAsTheFolders(context, request, outcome)) != kExitOk) {
        outcome->end.exit = refused;
        return;
    }
    if (const int tested = TestTheUnit(context, request, note, outcome); tested != kExitOk) {
        Conclude(context, request, start, 0, "nothing sent: the unit did not answer", tested,
                 outcome);
        return;
    }
    if (const int copied = CopyBeforeRestore(context, request, outcome, file, central, prepared);
        copied != kExitOk) {
        Conclude(context, request, start, 0, "nothing sent: the unit could not be copied", copied,
                 outcome);
        return;
    }
    const bool compare = request.resume || !request.noBackup;
    EnterPhase(context, TPhase::kPlanning);
    prepared->plan = PlanRestore(file, prepared->unit, request.first, request.last, central,
                                 request.sendAll || !compare);
    outcome->planned = true;
    outcome->plan = DescribePlan(prepared->plan);
    if (PlannedRecords(prepared->plan) == 0) {
        RemoveFile(RunFile(context, kRestoreNote));
        Conclude(context, request, start, 0, "nothing to send", kExitOk, outcome);
        return;
    }
    if (request.dryRun) {
        Conclude(context, request, start, 0, "dry run: nothing sent", kExitOk, outcome);
        return;
    }
    prepared->ready = true;
}

void SendUnitRestore(const TJobContext& context, const TJobRequest& request,
                     const TRestorePrepared& prepared, TJobOutcome* outcome) {
    const int count = PlannedRecords(prepared.plan);
    WriteNote(context, request, outcome, Numbers(prepared.plan));
    EnterPhase(context, TPhase::kSending);
    std::vector<int> sent;
    int status = SendPlan(context, request, outcome, prepared, &sent);
    if (status != kExitOk) {
        Conclude(context, request, prepared.start, static_cast<int>(sent.size()),
                 "stopped while sending", status, outcome);
        return;
    }
    status = ReadBack(context, request, outcome, prepared);
    if (status == kExitOk) {
        KeepRestoredState(context, request, outcome, prepared);
    }
    const std::string all = std::to_string(count) + " of " + std::to_string(count) +
                            (count == 1 ? " record" : " records");
    Conclude(context, request, prepared.start, count,
             status == kExitOk         ? all + " written and read back the same"
             : status == kExitReadBack ? "sent, but not all read back the same"
                                       : "sent, but not all read back",
             status, outcome);
}
