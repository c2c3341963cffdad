#include "zvtool/jobs/guard.h"

#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/jobs/job.h"
#include "zvtool/jobs/job_files.h"
#include "zvtool/jobs/run_lock.h"
#include "zvtool/jobs/session_log.h"
#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"
#include "zvtool/ports/port_target.h"
#include "zvtool/time_text.h"

int BeginJob(TJobContext* context, const TJobRequest& job, const std::string& commandLine,
             const std::string& traceFile, TJobSession* session, TCommandEnd* end) {
    std::string detail;
    const long long now = context->clock.now();
    const TRunLockRequest request{context->runFolder, commandLine, TimeText(now, TZone::kLocal),
                                  ThisProcessId()};
    const TLockResult locked = TakeRunLock(request, &session->lock, &detail);
    const std::string lockPath = RunLockPath(context->runFolder);
    if (locked == TLockResult::kHeld) {
        return Fail(*context, end,
                    {kExitLocked,
                     "another zvtool job runs on " + RunLockScope(context->runFolder) + ": " +
                         detail + "; wait for it to end (the lock is " + lockPath + ")",
                     ""});
    }
    if (locked == TLockResult::kFailed) {
        return Fail(*context, end,
                    {kExitCannotCreate,
                     "cannot write in " + FolderOf(lockPath) + ": " + detail +
                         "; the driver was not started",
                     ""});
    }
    session->job = commandLine;
    session->started = request.started;
    context->lock = &session->lock;
    context->driverStarted = [session](long long driver) {
        RewriteFileLock(session->lock,
                        LockHolderText(session->job, session->started, ThisProcessId(), driver));
    };
    context->trace = traceFile;
    if (context->trace.empty()) {
        std::string error;
        context->trace = StartSessionTrace(context->stateFolder, now, ThisProcessId(), &error);
        if (context->trace.empty()) {
            Say(*context, end,
                Note("no session trace (" + error + "); give --trace FILE to keep one"));
        }
    }
    const TZvError planted = PlantedLinkAmong(FilesTheJobWrites(*context, job));
    return planted.exit == kExitOk ? kExitOk : Fail(*context, end, planted);
}

void EndJob(TJobSession* session) {
    ReleaseFileLock(&session->lock);
}

std::string TraceText(const TJobContext& context) {
    std::string text;
    std::string error;
    if (context.trace.empty() ||
        ReadWholeFile(context.trace, kMaxTraceBytes, &text, &error) != TReadResult::kRead) {
        return "";
    }
    return text;
}

// After a job refused as another unit than the one it was to go on with (a resume, the folder's
// unit), COM1 leads where it led before --port moved it, so that the next plain job there does
// not run on the other unit's line.
void PutPortBack(const TJobContext& context, const std::string& before, TCommandEnd* end) {
    if (Com1Target(context.runFolder) == before) {
        return;
    }
    TZvError error;
    if (!PutCom1Back(context.runFolder, before, &error)) {
        Say(context, end, Warning(error.message));
    } else {
        const std::string link = JoinPath(context.runFolder, "COM1");
        Say(context, end,
            Note(before.empty() ? link + " is gone again, as before this job"
                                : link + " links to " + before + " again, as before this job"));
    }
}
