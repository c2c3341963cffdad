// Restore of a whole unit, safely: the unit's records are copied into the ledger first, only
// the records that differ from the file are sent, and each one sent is read back and compared.
// A restore that stops leaves a note of what is still unsent or not read back, so that
// --resume finishes it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "driver/result_codes.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/commands.h"
#include "zvtool/jobs/outcome.h"
#include "zvtool/jobs/process.h"
#include "zvtool/jobs/restore_plan.h"
#include "zvtool/jobs/unit_copy.h"
#include "zvtool/jobs/verdict.h"
#include "zvtool/json.h"
#include "zvtool/ledger/sha256.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/records/record_write.h"
#include "zvtool/report.h"

namespace {

using Clock = std::chrono::steady_clock;

// In the run folder: the unit as it was before the restore (until the ledger has it), and
// the note of an unfinished restore: the file, its SHA-256 and the numbers still to do.
constexpr char kBeforeFile[] = "zvtool-before.dat";
constexpr char kRestoreNote[] = "zvtool-restore.todo";

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string FileSha(const std::string& path) {
    std::string text;
    std::string error;
    return ReadWholeFile(path.c_str(), text, error) ? Sha256Hex(text) : "";
}

void WriteNote(const std::string& file, const std::vector<int>& numbers) {
    std::FILE* note = std::fopen(kRestoreNote, "wb");
    if (note == nullptr) {
        return;
    }
    std::fprintf(note, "%s\n%s\n", file.c_str(), FileSha(file).c_str());
    for (int number : numbers) {
        std::fprintf(note, "%d\n", number);
    }
    std::fclose(note);
}

// The numbers still to do of an unfinished restore of `file`; false when there is none (or
// it was of another file, or the file changed since).
bool ReadNote(const std::string& file, std::vector<int>* numbers) {
    std::string text;
    std::string error;
    if (!ReadWholeFile(kRestoreNote, text, error)) {
        return false;
    }
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    if (lines.size() < 2 || lines[0] != file || lines[1] != FileSha(file)) {
        return false;
    }
    for (std::size_t i = 2; i < lines.size(); ++i) {
        numbers->push_back(std::atoi(lines[i].c_str()));
    }
    return true;
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

std::string FinishCommand(const TZvOptions& options) {
    return "zvtool restore " + options.file + FinishingOptions(options) + " --resume";
}

// Says what the unit holds after the restore stopped while sending, and how to finish.
int Stopped(int status, const TZvOptions& options, const std::vector<int>& sent,
            const std::vector<int>& unsent) {
    std::string holds = sent.empty() ? "no record of the file was sent"
                                     : "the unit holds the file's " + NumberList(sent);
    if (!unsent.empty()) {
        holds += "; " + NumberList(unsent) + (unsent.size() == 1 ? " is" : " are") +
                 " still as before (or, for the record under way, either way)";
    }
    PrintError({status,
                "the restore stopped: " + holds +
                    ". Nothing was read back yet. Finish with: " + FinishCommand(options),
                ""});
    return status;
}

// The records of `file` that are a setup file's: central first, then modules. False and the
// reason said otherwise.
int LoadSetupFile(const std::string& file, std::vector<TZvRecord>* records) {
    if (const int loaded = LoadCheckedRecords(file.c_str(), *records); loaded != kExitOk) {
        return loaded;
    }
    bool setup = (*records)[0].number == kCentralRecordNumber;
    for (std::size_t i = 1; i < records->size(); ++i) {
        setup = setup && (*records)[i].number != kCentralRecordNumber;
    }
    if (!setup) {
        return Fail({kExitDataError,
                     file +
                         " is not a setup file: it must hold the central record (number 0) first "
                         "and then module records only, as `zvtool backup` writes it",
                     ""});
    }
    return kExitOk;
}

// (b): the unit's records that the file holds (within --modules), fetched in runs of
// consecutive numbers; copied into the ledger unless `keep` is false (a resumed restore
// reads only the records still to do, which is no copy of the unit).
int CopyUnit(const TZvContext& context, const TZvOptions& options,
             const std::vector<TZvRecord>& file, bool central, bool keep,
             const std::string& version, std::vector<TZvRecord>* unit) {
    std::vector<TZvRecord> modules;
    for (const TZvRecord& record : file) {
        if (record.number >= options.first && record.number <= options.last) {
            modules.push_back(record);
        }
    }
    SortBackup(&modules);
    TFetchResult fetch;
    if (central) {
        fetch = FetchMissing(context, true, 1, 0, false, unit);
    }
    for (std::size_t i = 0; fetch.status == kExitOk && i < modules.size();) {
        std::size_t j = i;
        while (j + 1 < modules.size() && modules[j + 1].number == modules[j].number + 1) {
            ++j;
        }
        fetch = FetchMissing(context, false, modules[i].number, modules[j].number, false, unit);
        i = j + 1;
    }
    if (fetch.status != kExitOk) {
        PrintError({fetch.status, "reading the unit's records failed, so nothing was sent", ""});
        return fetch.status;
    }
    SortBackup(unit);
    if (!keep) {
        return kExitOk;
    }
    if (!WriteRecordFile(kBeforeFile, *unit)) {
        return Fail({kExitCannotCreate, "cannot write " + AbsolutePath(kBeforeFile), ""});
    }
    if (KeepCopy(AbsolutePath(kBeforeFile), "pre-restore", options, context, version)) {
        std::remove(kBeforeFile);
    } else {
        std::fprintf(stderr, "zvtool: the unit's records as they were stay in %s\n",
                     AbsolutePath(kBeforeFile).c_str());
    }
    return kExitOk;
}

// (d): sends what the plan says, the central record (`central`) with its own job, the module
// records as one module send; kExitOk or the status it stopped with, said. `sent` gets the
// numbers of the records the unit took.
int SendPlan(const TZvContext& context, const TZvOptions& options, const TRestorePlan& plan,
             const TZvRecord& central, std::vector<int>* sentNumbers) {
    std::vector<int> unsent = Numbers(plan);
    std::vector<int>& sent = *sentNumbers;
    if (plan.central) {
        if (!WriteRecordFile(kToZvFile, {central})) {
            return Fail({kExitCannotCreate, "cannot write " + AbsolutePath(kToZvFile), ""});
        }
        const TDriverJob job = SendCentralJob(options.ignoreMutBlock);
        const TDriverRun run = RunDriverJob(context, job);
        if (const int status = JudgeRun(context, job, run, kResultAllSent); status != kExitOk) {
            SayRunningFlag(run);
            return Stopped(status, options, sent, unsent);
        }
        sent.push_back(kCentralRecordNumber);
        unsent.erase(unsent.begin());
    }
    if (plan.modules.empty()) {
        return kExitOk;
    }
    if (!WriteRecordFile(kToZvFile, plan.modules)) {
        return Fail({kExitCannotCreate, "cannot write " + AbsolutePath(kToZvFile), ""});
    }
    const TDriverJob job = SendModulesJob(plan.modules);
    const TDriverRun run = RunDriverJob(context, job);
    if (const int status = JudgeRun(context, job, run, kResultAllSent); status != kExitOk) {
        // The passes before the last one reported were carried out; the last may have been.
        const int done = run.lastPass > 0 ? run.lastPass - 1 : 0;
        for (int i = 0; i < done; ++i) {
            sent.push_back(unsent.front());
            unsent.erase(unsent.begin());
        }
        SayRunningFlag(run);
        return Stopped(status, options, sent, unsent);
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

// (e) and (f): fetches each record sent and compares it with the file's. kExitOk when all
// read back the same; kExitReadBack with those that differ said (and left to do).
int ReadBack(const TZvContext& context, const TZvOptions& options, const TRestorePlan& plan,
             const TZvRecord& central) {
    std::vector<TZvRecord> back;
    TFetchResult fetch;
    if (plan.central) {
        fetch = FetchMissing(context, true, 1, 0, false, &back);
    }
    for (std::size_t i = 0; fetch.status == kExitOk && i < plan.readBack.size(); ++i) {
        fetch = FetchMissing(context, false, plan.readBack[i].first, plan.readBack[i].second, false,
                             &back);
    }
    const std::vector<int> numbers = Numbers(plan);
    if (fetch.status != kExitOk) {
        SayRunningFlag(fetch.run);
        PrintError({fetch.status,
                    "the unit holds every record sent (" + NumberList(numbers) +
                        "), but reading them back stopped before the end; finish with: " +
                        FinishCommand(options),
                    ""});
        return fetch.status;
    }
    std::vector<TZvRecord> sentRecords = plan.modules;
    if (plan.central) {
        sentRecords.insert(sentRecords.begin(), central);
    }
    std::string detail;
    const std::vector<int> differ = DifferingRecords(sentRecords, back, &detail);
    const int count = static_cast<int>(numbers.size());
    TReport& report = CommandReport();
    report.members.push_back({"sent", std::to_string(count)});
    report.members.push_back(
        {"read_back_same", std::to_string(count - static_cast<int>(differ.size()))});
    report.members.push_back({"read_back_differ", JsonArray([&] {
                                  std::vector<std::string> list;
                                  for (int number : differ) {
                                      list.push_back(std::to_string(number));
                                  }
                                  return list;
                              }())});
    if (differ.empty()) {
        std::remove(kRestoreNote);
        return kExitOk;
    }
    WriteNote(options.file, differ);
    PrintError({kExitReadBack,
                std::to_string(differ.size()) + " of " + std::to_string(count) +
                    " records read back differ from what was sent (" + NumberList(differ) + ")" +
                    detail + ". The unit does not keep them as sent: send them again with " +
                    FinishCommand(options) +
                    "; if they differ again, the unit's memory is at fault",
                ""});
    return kExitReadBack;
}

// How the restore ended, in the report and (without --json) as its last line.
int SayOutcome(const TZvOptions& options, Clock::time_point start, int records,
               const std::string& summary, int status) {
    TReport& report = CommandReport();
    report.job = true;
    report.jobName = "restore";
    report.seconds = SecondsSince(start);
    report.records = records;
    report.file = options.file;
    report.members.push_back({"summary", JsonString(summary)});
    if (!JsonWanted()) {
        std::printf("restore of %s: %s (%.1f s)\n", options.file.c_str(), summary.c_str(),
                    report.seconds);
        std::fflush(stdout);
    }
    return status;
}

// The records of the file to restore, and whether its central record is to go; with
// --resume only those that the unfinished restore's note still lists.
int LoadRestore(const TZvOptions& options, std::vector<TZvRecord>* file, bool* central) {
    if (const int loaded = LoadSetupFile(options.file, file); loaded != kExitOk) {
        return loaded;
    }
    *central = !options.rangeGiven;
    if (!options.resume) {
        return kExitOk;
    }
    std::vector<int> todo;
    if (!ReadNote(options.file, &todo)) {
        return Fail({kExitNoInput,
                     "no unfinished restore of " + options.file +
                         " to resume here (or the file changed since); run it without "
                         "--resume",
                     ""});
    }
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
    std::fprintf(stderr, "resuming the restore of %s: %s still to do\n", options.file.c_str(),
                 NumberList(todo).c_str());
    *file = left;
    return kExitOk;
}

// (c) The plan, in the report and, without --json, on standard output.
TRestorePlan MakePlan(const std::vector<TZvRecord>& file, const std::vector<TZvRecord>& unit,
                      const TZvOptions& options, bool central, bool sendAll) {
    const TRestorePlan plan =
        PlanRestore(file, unit, options.first, options.last, central, sendAll);
    CommandReport().members.push_back({"plan", JsonString(DescribePlan(plan))});
    if (!JsonWanted()) {
        std::printf("plan: %s\n", DescribePlan(plan).c_str());
        std::fflush(stdout);
    }
    return plan;
}

}  // namespace

int RunRestore(const TZvContext& context, const TZvOptions& options) {
    const Clock::time_point start = Clock::now();
    std::vector<TZvRecord> file;
    bool central = false;
    if (const int loaded = LoadRestore(options, &file, &central); loaded != kExitOk) {
        return loaded;
    }
    const TZvRecord centralRecord = file.empty() || file[0].number != kCentralRecordNumber
                                        ? TZvRecord{kCentralRecordNumber, {}}
                                        : file[0];
    std::string version;
    const int tested = TestConnection(context, &version);
    CommandReport().members.push_back({"unit_version", JsonString(version)});
    if (const int status = tested; status != kExitOk) {
        return SayOutcome(options, start, 0, "nothing sent: the unit did not answer", status);
    }
    // (b) What the unit holds now, kept in the ledger; on resume just the records to do.
    std::vector<TZvRecord> unit;
    const bool compare = options.resume || !options.noBackup;
    if (options.noBackup && !options.resume) {
        PrintError({0,
                    "warning: --no-backup: no copy of the unit is kept, and with nothing to "
                    "compare every record is sent",
                    ""});
    } else if (const int status =
                   CopyUnit(context, options, file, central, !options.resume, version, &unit);
               status != kExitOk) {
        return SayOutcome(options, start, 0, "nothing sent: the unit could not be copied", status);
    }
    const TRestorePlan plan = MakePlan(file, unit, options, central, options.sendAll || !compare);
    const int count = PlannedRecords(plan);
    if (count == 0) {
        std::remove(kRestoreNote);
        return SayOutcome(options, start, 0, "nothing to send", kExitOk);
    }
    if (options.dryRun) {
        return SayOutcome(options, start, 0, "dry run: nothing sent", kExitOk);
    }
    WriteNote(options.file, Numbers(plan));
    std::vector<int> sent;
    int status = SendPlan(context, options, plan, centralRecord, &sent);
    if (status != kExitOk) {
        return SayOutcome(options, start, static_cast<int>(sent.size()), "stopped while sending",
                          status);
    }
    status = ReadBack(context, options, plan, centralRecord);
    const std::string all = std::to_string(count) + " of " + std::to_string(count) +
                            (count == 1 ? " record" : " records");
    return SayOutcome(options, start, count,
                      status == kExitOk         ? all + " written and read back the same"
                      : status == kExitReadBack ? "sent, but not all read back the same"
                                                : "sent, but not all read back",
                      status);
}
