#include "zvtool/jobs/job.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "settings/profile.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/outcome.h"
#include "zvtool/jobs/process.h"
#include "zvtool/jobs/progress.h"

namespace {

constexpr int kTickMs = 100;
constexpr int kLastResult = 11;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void WriteKey(const char* file, const char* key, int value) {
    const std::string text = std::to_string(value);
    ProfileWriteString(kSection, key, text.c_str(), file);
}

// Writes the job's keys into "zordrive.INI" and clears the pass number in "zordOUT.INI".
void WriteJobKeys(const TZvContext& context, const TDriverJob& job) {
    if (context.port != 0) {
        WriteKey(kSettingsFile, "Comport", context.port);
    }
    for (const TJobKey& key : job.keys) {
        WriteKey(kSettingsFile, key.key, key.value);
    }
    // A pass number left from an earlier run would show as this run's progress.
    WriteKey(kStatusFile, "NowTransferingNo", 0);
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
    TWaitResult waited = TWaitResult::kRunning;
    while ((waited = WaitDriver(driver, kTickMs, status)) == TWaitResult::kRunning) {
        if (tracker->progress.total == 0) {
            output.Spin(job.what, tick++, SecondsSince(start));
        } else {
            const TPassEvent event = TrackPass(tracker, ReadPassNumber(), SecondsSince(start));
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

// The end of a run: a driver stopped by Ctrl-C, one that gave no result, or its result.
void EndRun(TDriverProcess* driver, TWaitResult waited, int status, Clock::time_point start,
            TDriverRun* run) {
    run->seconds = SecondsSince(start);
    if (waited == TWaitResult::kInterrupted) {
        PrintError({kExitInterrupted, "interrupted: stopping the driver", ""});
        StopDriver(driver);
        run->seconds = SecondsSince(start);
        run->toolExit = kExitInterrupted;
        run->running = ProfileGetInt(kSection, "ZorVekDriverRunning", 0, kStatusFile) != 0;
    } else if (status < 0 || status > kLastResult) {
        PrintError({kExitSoftware,
                    "the driver ended without a result (exit status " + std::to_string(status) +
                        "); see " + ProfileFilePath(kStatusFile),
                    ""});
        run->toolExit = kExitSoftware;
    } else {
        run->result = status;
    }
}

}  // namespace

TDriverRun RunDriverJob(const TZvContext& context, const TDriverJob& job) {
    TDriverRun run;
    WriteJobKeys(context, job);
    TDriverProcess driver;
    std::string error;
    const Clock::time_point start = Clock::now();
    if (!StartDriver(context.driver, &driver, &error)) {
        PrintError(
            {kExitUnavailable, "cannot start the driver " + context.driver + ": " + error, ""});
        run.toolExit = kExitUnavailable;
        return run;
    }
    TPassTracker tracker = StartPassTracker(job.passModules, job.firstPassNumber);
    int status = -1;
    const TWaitResult waited =
        FollowDriver(&driver, job, context.terminal, start, &tracker, &status);
    run.lastPass = tracker.progress.current;
    EndRun(&driver, waited, status, start, &run);
    return run;
}
