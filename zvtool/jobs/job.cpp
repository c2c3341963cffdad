#include "zvtool/jobs/job.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "settings/profile.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/jobs/job_keys.h"
#include "zvtool/jobs/outcome.h"
#include "zvtool/jobs/process.h"
#include "zvtool/jobs/progress.h"
#include "zvtool/jobs/trace_summary.h"
#include "zvtool/report.h"

namespace {

constexpr int kTickMs = 100;
// How often the trace is read while a pass takes long, to say what its exchange meets.
constexpr double kCauseLookSeconds = 1.0;
constexpr int kLastResult = 11;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Writes the job's keys into "zordrive.INI", each read back, and clears the result and the
// pass number in "zordOUT.INI": false and `error` when a key did not take.
bool PrepareRun(const TZvContext& context, const TDriverJob& job, TZvError* error) {
    std::vector<TJobKey> keys;
    if (context.port != 0) {
        keys.push_back({"Comport", context.port});
    }
    // One by one rather than vector::insert, which mingw's gcc warns of wrongly at -O3.
    for (const TJobKey& key : job.keys) {
        keys.push_back(key);
    }
    std::string message;
    if (WriteJobKeys(keys, &message) != kExitOk) {
        *error = {kExitCannotCreate, message, ""};
        return false;
    }
    // A result or a pass number left from an earlier run would read as this run's.
    if (ClearStatusKeys(&message) != kExitOk) {
        *error = {kExitCannotCreate, message, ""};
        return false;
    }
    return true;
}

// While a pass takes long, what its exchange has met so far, from the trace; at most once
// a second.
void LookAtCause(TPassTracker* tracker, TPassEvent event, double* lookedAt) {
    TPassProgress& progress = tracker->progress;
    if (event == TPassEvent::kNewPass) {
        progress.cause = TLineCause::kSilent;
    }
    if (PassStalled(progress) && progress.elapsed - *lookedAt >= kCauseLookSeconds) {
        progress.cause = CurrentCause(JobTraceText());
        *lookedAt = progress.elapsed;
    }
}

int ReadPassNumber() {
    return static_cast<int>(ProfileGetInt(kSection, "NowTransferingNo", 0, kStatusFile));
}

// Waits for the driver to end, showing its progress; what the wait ended with, the driver's
// exit status in `status` and the passes in `tracker`.
TWaitResult FollowDriver(TDriverProcess* driver, const TDriverJob& job, bool terminal,
                         Clock::time_point start, TPassTracker* tracker, int* status) {
    TProgressOutput output{terminal, 0};
    output.Begin(job.what);
    int tick = 0;
    double causeLookedAt = 0;
    TWaitResult waited = TWaitResult::kRunning;
    while ((waited = WaitDriver(driver, kTickMs, status)) == TWaitResult::kRunning) {
        if (tracker->progress.total == 0) {
            output.Spin(job.what, tick++, SecondsSince(start));
        } else {
            const TPassEvent event = TrackPass(tracker, ReadPassNumber(), SecondsSince(start));
            LookAtCause(tracker, event, &causeLookedAt);
            output.Show(tracker->progress, event);
        }
    }
    output.Clear();
    // The last pass may have begun and ended between two looks.
    if (tracker->progress.total > 0) {
        TrackPass(tracker, ReadPassNumber(), SecondsSince(start));
    }
    return waited;
}

// The end of a run: a driver stopped by Ctrl-C, one that gave no result, or its result. The
// result is "ComStatus", which the driver writes as its last act; the exit status is the same
// code when the run finished, but a driver killed on the way gives an exit status and no
// "ComStatus" (Wine's "taskkill /F" gives 0, which would read as a connection test passed).
void EndRun(TDriverProcess* driver, TWaitResult waited, int status, Clock::time_point start,
            TDriverRun* run) {
    run->seconds = SecondsSince(start);
    if (waited == TWaitResult::kInterrupted) {
        PrintError({kExitInterrupted, "interrupted: stopping the driver", ""});
        StopDriver(driver);
        run->seconds = SecondsSince(start);
        run->toolExit = kExitInterrupted;
        run->running = ProfileGetInt(kSection, "ZorVekDriverRunning", 0, kStatusFile) != 0;
        return;
    }
    run->exitStatus = status;
    const int comStatus = ReadComStatus();
    if ((comStatus < 0 || comStatus > kLastResult) && status >= 0 && status <= kLastResult) {
        // Killed on the way, or its status file is not the one zvtool reads: the verdict says.
        run->noStatus = true;
    } else if (comStatus < 0 || comStatus > kLastResult) {
        PrintError({kExitSoftware,
                    "the driver ended without a result (exit status " + std::to_string(status) +
                        ", no ComStatus in " + ProfileFilePath(kStatusFile) + ")",
                    ""});
        run->toolExit = kExitSoftware;
    } else {
        run->result = comStatus;
    }
}

}  // namespace

TDriverRun RunDriverJob(const TZvContext& context, const TDriverJob& job) {
    TDriverRun run;
    TZvError keyError;
    if (!PrepareRun(context, job, &keyError)) {
        run.toolExit = Fail(keyError);
        return run;
    }
    TDriverProcess driver;
    std::string error;
    const Clock::time_point start = Clock::now();
    if (!StartDriver(context.driver, &driver, &error)) {
        PrintError(
            {kExitUnavailable, "cannot start the driver " + context.driver + ": " + error, ""});
        run.toolExit = kExitUnavailable;
        return run;
    }
    run.started = true;
    // Named in the report only once a driver runs: a job refused before it has no trace.
    CommandReport().trace = JobTrace();
    TPassTracker tracker = StartPassTracker(job.passModules, job.firstPassNumber);
    int status = -1;
    const TWaitResult waited =
        FollowDriver(&driver, job, context.terminal, start, &tracker, &status);
    run.lastPass = tracker.progress.current;
    EndRun(&driver, waited, status, start, &run);
    return run;
}
