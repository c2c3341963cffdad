#include "zvtool/jobs/verdict.h"

#include <string>
#include <vector>

#include "datafile/comma_sep_file.h"
#include "driver/result_codes.h"
#include "settings/profile.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/jobs/job_keys.h"
#include "zvtool/jobs/trace_summary.h"
#include "zvtool/platform/files.h"
#include "zvtool/ports/port_identity.h"
#include "zvtool/ports/port_target.h"

const char kNotTheJobMeaning[] = "the driver did not run the job asked for";

namespace {

// What to check when there is no trace to tell more.
const char* ResultAdvice(int result) {
    switch (result) {
        case kResultRefused:
        case kResultFetchFailed:
            return "the unit answered wrongly or not at all; give --trace FILE for the driver's "
                   "account of every exchange";
        case kResultFetchFileFailed:
            return "check that the driver's folder (--dir) is writable and not full";
        default:
            return nullptr;
    }
}

std::string PortAdvice(const std::string& runFolder, int port, const std::string& from) {
    const std::string text = "the driver could not open COM" + std::to_string(port) +
                             ", the port from " + from + ": " + ComPortWhere(runFolder, port);
    return IdentifyPort(runFolder, port).present
               ? text +
                     "; check that no other program holds it (`zvtool ports` says), or give "
                     "--port for the unit's port"
               : text;
}

// Why the driver could not write "fromZv.dat" in the run folder, in the system's words ("No
// space left on device"); "" when it seems it could.
std::string WhyTheFolderFails(const TJobContext& context) {
    const std::string file = JoinPath(context.runFolder, kFromZvFile);
    const std::string why = WhyNotWritable(file);
    return why.empty() ? ""
                       : "the driver could not write " + file + ": " + why +
                             "; make room in the run folder, or give --dir another one";
}

// The trace's account into the outcome; true when the trace holds the run.
bool ReadAccount(const TJobContext& context, TRunReport* report, TTraceAccount* account) {
    if (context.trace.empty()) {
        return false;
    }
    *account = AccountOfTrace(TraceText(context));
    report->account.insert(report->account.end(), account->lines.begin(), account->lines.end());
    report->repeats = (report->repeats < 0 ? 0 : report->repeats) + account->repeats;
    report->causeKnown = true;
    report->cause = account->cause;
    return account->finished;
}

void SayAccount(const TJobContext& context, TJobOutcome* outcome, const TTraceAccount& account) {
    TMessage message;
    message.kind = TMessageKind::kAccount;
    message.text = context.trace;
    message.lines = account.lines;
    Say(context, &outcome->end, message);
}

void SayRepeats(const TJobContext& context, TJobOutcome* outcome, const TTraceAccount& account) {
    TEvent repeats;
    repeats.kind = TEventKind::kRepeats;
    repeats.repeats = account.repeats;
    repeats.what = account.lines.back();
    context.Emit(repeats);
    Say(context, &outcome->end, Note(account.lines.back()));
}

// A run that was not the job asked for: the driver wrote no status here (it reads its files
// elsewhere), or a result this job cannot give. kExitOk when it was the job.
int RefuseNotTheJob(const TJobContext& context, TJobOutcome* outcome, TJobKind kind,
                    const TDriverRun& run) {
    TRunReport& report = outcome->run;
    if (run.noStatus) {
        report.meaning = kNotTheJobMeaning;
        return Fail(context, &outcome->end,
                    {kExitNotTheJob,
                     std::string(kNotTheJobMeaning) + ": it ended with exit status " +
                         std::to_string(run.exitStatus) + " but wrote no ComStatus in " +
                         DriverProfilePath(context.runFolder, kStatusFile) +
                         ", and never set ZorVekDriverRunning there, so it reads and writes "
                         "its files elsewhere: " +
                         DriverSettingsAdvice(context.runFolder),
                     ""});
    }
    if (!JobCanGive(kind, run.result)) {
        report.meaning = kNotTheJobMeaning;
        return Fail(
            context, &outcome->end,
            {kExitNotTheJob,
             NotTheJobAsked(kind, run.result, DriverSettingsAdvice(context.runFolder)), ""});
    }
    return kExitOk;
}

// What a failed run says besides its result: the port, the folder, the trace's account or
// the result's advice, the first that tells something.
void SayWhyItFailed(const TJobContext& context, TJobOutcome* outcome, const TDriverRun& run,
                    TPortFrom from, int port, const TTraceAccount* account) {
    if (run.result == kResultPortFailed) {
        Say(context, &outcome->end,
            Note(PortAdvice(context.runFolder, port, PortFromText(context.runFolder, from, port))));
    } else if (const std::string folder = WhyTheFolderFails(context);
               run.result == kResultFetchFileFailed && !folder.empty()) {
        Say(context, &outcome->end, Note(folder));
    } else if (account != nullptr && !account->lines.empty()) {
        SayAccount(context, outcome, *account);
    } else if (const char* advice = ResultAdvice(run.result)) {
        Say(context, &outcome->end, Note(advice));
    }
}

}  // namespace

int JudgeRun(const TJobContext& context, TJobOutcome* outcome, const TDriverJob& job,
             const TDriverRun& run, int expected) {
    const TJobKind kind = job.kind;
    const std::vector<int>& passModules = job.passModules;
    TRunReport& report = outcome->run;
    report.result = run.result;
    // An earlier run's meaning must not stay beside this run's result.
    report.meaning.clear();
    int port = 0;
    const TPortFrom from = PortInUse(context.runFolder, context.port, &port);
    outcome->portFrom = PortFromKey(from);
    outcome->port = port;
    TTraceAccount account;
    const bool traced = ReadAccount(context, &report, &account);
    if (run.toolExit != 0) {
        return run.toolExit;
    }
    if (const int refused = RefuseNotTheJob(context, outcome, kind, run); refused != kExitOk) {
        return refused;
    }
    report.meaning = JobResultMeaning(kind, run.result);
    if (run.result == expected) {
        if (traced && account.repeats > 0 && !account.lines.empty()) {
            SayRepeats(context, outcome, account);
        }
        return kExitOk;
    }
    if (run.lastPass >= 1 && run.lastPass <= static_cast<int>(passModules.size())) {
        report.failedModule = passModules[static_cast<std::size_t>(run.lastPass - 1)];
    }
    if (outcome->end.error.empty()) {
        outcome->end.error = "result " + std::to_string(run.result) + ": " + report.meaning;
    }
    SayWhyItFailed(context, outcome, run, from, port, traced ? &account : nullptr);
    // A result that is no failure for some other job (0 after a send) must not read as success.
    return run.result == kExitOk ? kExitSoftware : run.result;
}

int CheckRecordCount(const TJobContext& context, TJobOutcome* outcome, const std::string& path,
                     int held, int asked) {
    if (held == asked) {
        return kExitOk;
    }
    outcome->partial = true;
    return Fail(context, &outcome->end,
                {kExitNotTheJob,
                 "the driver reported every record fetched, but " + path + " holds " +
                     std::to_string(held < 0 ? 0 : held) + " of the " + std::to_string(asked) +
                     " records asked for; " + kNotTheJobMeaning +
                     " (check that no other program writes its files)",
                 ""});
}

void SayRunningFlag(const TJobContext& context, TJobOutcome* outcome, const TDriverRun& run) {
    if (run.toolExit == kExitInterrupted) {
        Fail(context, &outcome->end,
             {run.toolExit,
              std::string("the driver left ZorVekDriverRunning=") + (run.running ? "1" : "0") +
                  " in " + DriverProfilePath(context.runFolder, kStatusFile),
              ""});
    }
}
