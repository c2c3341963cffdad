#include "zvtool/jobs/guard.h"

#include <cstdio>
#include <string>

#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/places.h"
#include "zvtool/jobs/process.h"
#include "zvtool/jobs/session_log.h"

namespace {

constexpr char kTraceVariable[] = "ZORDRIVE_TRACE";

std::string jobTrace;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

int BeginJob(const std::string& commandLine, const std::string& traceFile, TJobSession* session) {
    std::string detail;
    const TLockResult locked = TakeRunLock(commandLine, &session->lock, &detail);
    const std::string lockPath = RunLockPath();
    if (locked == TLockResult::kHeld) {
        return Fail({kExitLocked,
                     "another zvtool job runs on " + RunLockScope() + ": " + detail +
                         "; wait for it to end (the lock is " + lockPath + ")",
                     ""});
    }
    if (locked == TLockResult::kFailed) {
        return Fail({kExitCannotCreate,
                     "cannot write in " + FolderOf(lockPath) + ": " + detail +
                         "; the driver was not started",
                     ""});
    }
    session->trace = traceFile;
    if (session->trace.empty()) {
        std::string error;
        session->trace = StartSessionTrace(&error);
        if (session->trace.empty()) {
            Note("no session trace (" + error + "); give --trace FILE to keep one");
        }
    }
    if (!session->trace.empty()) {
        SetEnvironment(kTraceVariable, session->trace);
    }
    jobTrace = session->trace;
    return kExitOk;
}

void EndJob(TJobSession* session) {
    ReleaseRunLock(&session->lock);
}

const std::string& JobTrace() {
    return jobTrace;
}

std::string JobTraceText() {
    std::string text;
    if (jobTrace.empty()) {
        return text;
    }
    if (std::FILE* file = std::fopen(jobTrace.c_str(), "rb")) {
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
            text.append(chunk, got);
        }
        std::fclose(file);
    }
    return text;
}
