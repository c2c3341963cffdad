#include "zvtool/window/window_job.h"

#include <string>
#include <vector>

#include "zvtool/exit_codes.h"
#include "zvtool/jobs/backup.h"
#include "zvtool/jobs/driver_jobs.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/ledger/ledger.h"
#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/platform/files.h"
#include "zvtool/ports/port_target.h"

namespace {

// The port the list names, as the "Comport" of this run.
int TakePort(TWindowJob* job) {
    if (job->port.empty()) {
        return kExitOk;
    }
    TPortArg name;
    TZvError error;
    if (!ParsePortArg(job->port, &name, &error.message)) {
        error.exit = kExitUsage;
        return Fail(job->context, &job->outcome.end, error);
    }
    std::string note;
    if (!ResolvePortTarget(job->context.runFolder, name, &job->context.port, &note, &error)) {
        return Fail(job->context, &job->outcome.end, error);
    }
    if (!note.empty()) {
        Say(job->context, &job->outcome.end, Note(note));
    }
    return kExitOk;
}

// A restore of a ledger entry (UNIT@N) restores its copy, once the copy is found sound.
int ResolveRestoreFile(TWindowJob* job) {
    if (job->request.job != TZvJob::kRestore) {
        return kExitOk;
    }
    std::vector<std::string> files{job->request.file};
    const TZvError error =
        ResolveLedgerNames(job->context.ledger, kExitNoInput, &files, &job->outcome.end);
    if (error.exit != kExitOk) {
        return Fail(job->context, &job->outcome.end, error);
    }
    job->request.file = AbsolutePath(files[0]);
    return kExitOk;
}

// A new backup's file: the unit's name with the date and time, so that every one is kept.
int PlanBackupFile(TWindowJob* job) {
    TJobRequest& request = job->request;
    if (request.job != TZvJob::kBackup || request.resume) {
        return kExitOk;
    }
    std::string path;
    const TZvError error = PlanOutputFile(request, job->context.clock.now(), &path);
    if (error.exit != kExitOk) {
        return Fail(job->context, &job->outcome.end, error);
    }
    request.output = path;
    request.dated = false;
    return kExitOk;
}

void RunTheJob(TWindowJob* job) {
    const TJobContext& context = job->context;
    TJobOutcome* outcome = &job->outcome;
    switch (job->request.job) {
        case TZvJob::kBackup:
            RunBackup(context, job->request, outcome);
            return;
        case TZvJob::kRestore:
            break;
        default:
            RunTestJob(context, job->request, outcome);
            return;
    }
    TRestorePrepared prepared;
    PlanUnitRestore(context, job->request, outcome, &prepared);
    if (!prepared.ready) {
        return;
    }
    if (job->confirm && job->confirm(*outcome, prepared) && !context.CancelRequested()) {
        SendUnitRestore(context, job->request, prepared, outcome);
        return;
    }
    outcome->summary = "nothing sent: the plan was not confirmed";
    outcome->seconds = context.clock.seconds() - prepared.start;
    outcome->end.exit = kExitOk;
}

}  // namespace

bool WindowRequest(TZvJob job, const TWindowFields& fields, const std::string& runFolder,
                   TJobRequest* request, TZvError* error) {
    TJobRequest asked;
    asked.job = job;
    if (!fields.unit.empty() && !IsUnitName(fields.unit)) {
        *error = {kExitUsage, "'" + fields.unit + "' is not a unit name: give " + kUnitNameRule,
                  ""};
        return false;
    }
    asked.unit = fields.unit;
    if (job != TZvJob::kTest) {
        if (!ParseModuleRange(fields.modules, &asked.first, &asked.last)) {
            *error = {kExitUsage,
                      "'" + fields.modules +
                          "' is not a module range: give A-B, N or all, with 1 <= A <= B <= 200",
                      ""};
            return false;
        }
        asked.rangeGiven = true;
    }
    if (job == TZvJob::kBackup) {
        asked.output = JoinPath(runFolder, (asked.unit.empty() ? "backup" : asked.unit) + ".dat");
        asked.dated = true;
    }
    if (job == TZvJob::kRestore) {
        if (fields.file.empty()) {
            *error = {kExitUsage, "choose the file to restore, or a ledger entry", ""};
            return false;
        }
        asked.file = fields.file;
    }
    // What a terminal's command that finishes this job must give again.
    asked.finishingOptions =
        " --dir " + runFolder + (asked.unit.empty() ? "" : " --unit " + asked.unit);
    *request = asked;
    return true;
}

void RunWindowJob(TWindowJob* job) {
    TJobOutcome& outcome = job->outcome;
    outcome.command = JobCommand(job->request.job);
    outcome.job = JobName(job->request);
    // The files the job writes are named before the lock is taken, so that the lock's check
    // of them (no link another account planted) sees every one.
    int status = kExitOk;
    for (int (*step)(TWindowJob*) : {ResolveRestoreFile, PlanBackupFile}) {
        status = status == kExitOk ? step(job) : status;
    }
    TJobSession session;
    if (status == kExitOk) {
        status = BeginJob(&job->context, job->request, "zvtoolw " + outcome.job, "", &session,
                          &outcome.end);
    }
    const std::string linkBefore = Com1Target(job->context.runFolder);
    status = status == kExitOk ? TakePort(job) : status;
    if (status == kExitOk) {
        RunTheJob(job);
        if (outcome.end.exit == kExitNotTheSame) {
            PutPortBack(job->context, linkBefore, &outcome.end);
        }
    } else {
        outcome.end.exit = status;
    }
    EndJob(&session);
}

TJobRequest ResumeRequest(const TWindowJob& job) {
    TJobRequest request = job.request;
    request.resume = true;
    return request;
}
