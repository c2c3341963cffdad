#include "zvtool/jobs/verdict.h"

#include <cstdio>
#include <string>
#include <vector>

#include "driver/result_codes.h"
#include "settings/profile.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/jobs/job_keys.h"
#include "zvtool/jobs/places.h"
#include "zvtool/jobs/process.h"
#include "zvtool/jobs/trace_summary.h"
#include "zvtool/report.h"

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

std::string PortAdvice(int port, const std::string& from) {
    return "the driver could not open COM" + std::to_string(port) + ", the port from " + from +
           ": give --port N for the unit's port (COM1 is 1) and check that no other program " +
           "holds it; on POSIX COMn is the link of that name in the driver's folder, else " +
           "/dev/ttyS<n-1>";
}

// The trace's account into the report; true when the trace holds the run.
bool ReadAccount(TTraceAccount* account) {
    const std::string& trace = JobTrace();
    if (trace.empty()) {
        return false;
    }
    *account = AccountOfTrace(JobTraceText());
    TReport& report = CommandReport();
    report.account.insert(report.account.end(), account->lines.begin(), account->lines.end());
    report.repeats = (report.repeats < 0 ? 0 : report.repeats) + account->repeats;
    report.cause = CauseName(account->cause);
    return account->finished;
}

void SayAccount(const TTraceAccount& account) {
    std::fprintf(stderr, "zvtool: the driver's trace (%s) tells:\n", JobTrace().c_str());
    for (const std::string& line : account.lines) {
        std::fprintf(stderr, "  %s\n", line.c_str());
    }
    std::fflush(stderr);
}

}  // namespace

int JudgeRun(const TZvContext& context, const TDriverJob& job, const TDriverRun& run,
             int expected) {
    const TJobKind kind = job.kind;
    const std::vector<int>& passModules = job.passModules;
    TReport& report = CommandReport();
    report.job = true;
    report.result = run.result;
    // An earlier run's meaning must not stay beside this run's result.
    report.meaning.clear();
    int port = 0;
    const TPortFrom from = PortInUse(context.port, &port);
    report.portFrom = PortFromKey(from);
    report.port = port;
    TTraceAccount account;
    const bool traced = ReadAccount(&account);
    if (run.toolExit != 0) {
        return run.toolExit;
    }
    if (run.noStatus) {
        report.meaning = kNotTheJobMeaning;
        return Fail({kExitNotTheJob,
                     std::string(kNotTheJobMeaning) + ": it ended with exit status " +
                         std::to_string(run.exitStatus) + " but wrote no ComStatus in " +
                         ProfileFilePath(kStatusFile) +
                         ", so it was stopped before its end or it reads and writes its files "
                         "elsewhere: " +
                         SettingsAdvice(),
                     ""});
    }
    if (!JobCanGive(kind, run.result)) {
        report.meaning = kNotTheJobMeaning;
        return Fail({kExitNotTheJob, NotTheJobAsked(kind, run.result, SettingsAdvice()), ""});
    }
    report.meaning = JobResultMeaning(kind, run.result);
    if (run.result == expected) {
        if (traced && account.repeats > 0 && !account.lines.empty()) {
            Note(account.lines.back());
        }
        return kExitOk;
    }
    if (run.lastPass >= 1 && run.lastPass <= static_cast<int>(passModules.size())) {
        report.failedModule = passModules[static_cast<std::size_t>(run.lastPass - 1)];
    }
    if (report.error.empty()) {
        report.error = "result " + std::to_string(run.result) + ": " + report.meaning;
    }
    if (run.result == kResultPortFailed) {
        Note(PortAdvice(port, PortFromText(from, port)));
    } else if (traced) {
        SayAccount(account);
    } else if (const char* advice = ResultAdvice(run.result)) {
        Note(advice);
    }
    // A result that is no failure for some other job (0 after a send) must not read as success.
    return run.result == kExitOk ? kExitSoftware : run.result;
}

int CheckRecordCount(const std::string& path, int held, int asked) {
    if (held == asked) {
        return kExitOk;
    }
    CommandReport().partial = true;
    return Fail({kExitNotTheJob,
                 "the driver reported every record fetched, but " + path + " holds " +
                     std::to_string(held < 0 ? 0 : held) + " of the " + std::to_string(asked) +
                     " records asked for; " + kNotTheJobMeaning +
                     " (check that no other program writes its files)",
                 ""});
}
