#include "zvtool/jobs/job.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "settings/profile.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/jobs/job_keys.h"
#include "zvtool/jobs/process.h"
#include "zvtool/jobs/progress.h"
#include "zvtool/jobs/trace_summary.h"
#include "zvtool/report.h"

namespace {

constexpr int kTickMs = 100;
// How often the trace is read while a pass takes long, to say what it meets.
constexpr double kCauseLookSeconds = 1.0;
constexpr int kLastResult = 11;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void WriteKey(const char* file, const char* key, int value) {
    const std::string text = std::to_string(value);
    ProfileWriteString(kSection, key, text.c_str(), file);
}

// The progress of one run on standard error: a line redrawn in place on a terminal, plain
// lines otherwise.
struct TProgressOutput {
    bool terminal = false;
    std::size_t shown = 0;  // characters of the line now on the terminal

    void Redraw(const std::string& line) {
        std::string text = "\r" + line;
        if (line.size() < shown) {
            text.append(shown - line.size(), ' ');
        }
        shown = line.size();
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    }
    void Line(const std::string& line) {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    }
    void Clear() {
        if (shown > 0) {
            std::fprintf(stderr, "\r%s\r", std::string(shown, ' ').c_str());
            std::fflush(stderr);
            shown = 0;
        }
    }
};

}  // namespace

TDriverRun RunDriverJob(const TZvContext& context, const TDriverJob& job) {
    TDriverRun run;
    std::vector<TJobKey> keys;
    if (context.port != 0) {
        keys.push_back({"Comport", context.port});
    }
    for (const TJobKey& key : job.keys) {
        keys.push_back(key);
    }
    std::string keyError;
    if (WriteJobKeys(keys, &keyError) != kExitOk) {
        run.toolExit = Fail(kExitCannotCreate, keyError);
        return run;
    }
    // A pass number left from an earlier run would show as this run's progress.
    WriteKey(kStatusFile, "NowTransferingNo", 0);

    TDriverProcess driver;
    std::string error;
    const Clock::time_point start = Clock::now();
    if (!StartDriver(context.driver, &driver, &error)) {
        run.toolExit =
            Fail(kExitUnavailable, "cannot start the driver " + context.driver + ": " + error);
        return run;
    }
    run.started = true;

    TProgressOutput output;
    output.terminal = context.terminal;
    TPassProgress progress;
    progress.total = static_cast<int>(job.passModules.size());
    Clock::time_point firstPass{};
    Clock::time_point passStart{};
    bool stallShown = false;
    double causeLooked = 0;
    int tick = 0;
    if (!output.terminal) {
        output.Line(job.what + " ...");
    }
    int status = -1;
    TWaitResult waited = TWaitResult::kRunning;
    while ((waited = WaitDriver(&driver, kTickMs, &status)) == TWaitResult::kRunning) {
        const Clock::time_point now = Clock::now();
        progress.elapsed = SecondsSince(start);
        if (progress.total == 0) {
            if (output.terminal) {
                output.Redraw(SpinnerLine(job.what, tick++, progress.elapsed));
            }
            continue;
        }
        const int number =
            static_cast<int>(ProfileGetInt(kSection, "NowTransferingNo", 0, kStatusFile));
        const int pass = number - job.firstPassNumber + 1;
        if (number > 0 && pass >= 1 && pass <= progress.total && pass != progress.current) {
            if (progress.current == 0) {
                firstPass = now;
            }
            progress.current = pass;
            progress.module = job.passModules[static_cast<std::size_t>(pass - 1)];
            passStart = now;
            progress.finishedPasses = std::chrono::duration<double>(now - firstPass).count();
            stallShown = false;
            progress.cause = TLineCause::kSilent;
            run.lastPass = pass;
            if (!output.terminal) {
                progress.passElapsed = 0;
                output.Line(ProgressPassLine(progress));
            }
        }
        if (progress.current > 0) {
            progress.passElapsed = std::chrono::duration<double>(now - passStart).count();
        }
        if (PassStalled(progress) && progress.elapsed - causeLooked >= kCauseLookSeconds) {
            progress.cause = CurrentCause(JobTraceText());
            causeLooked = progress.elapsed;
        }
        if (output.terminal) {
            output.Redraw(ProgressBarLine(progress));
        } else if (PassStalled(progress) && !stallShown) {
            output.Line(ProgressStalledLine(progress));
            stallShown = true;
        }
    }
    output.Clear();
    run.seconds = SecondsSince(start);
    // The last pass may have begun and ended between two looks.
    if (progress.total > 0) {
        const int number =
            static_cast<int>(ProfileGetInt(kSection, "NowTransferingNo", 0, kStatusFile));
        const int pass = number - job.firstPassNumber + 1;
        if (number > 0 && pass >= 1 && pass <= progress.total) {
            run.lastPass = pass;
        }
    }
    if (waited == TWaitResult::kInterrupted) {
        Fail(kExitInterrupted, "interrupted: stopping the driver");
        StopDriver(&driver);
        run.seconds = SecondsSince(start);
        run.toolExit = kExitInterrupted;
        run.running = ProfileGetInt(kSection, "ZorVekDriverRunning", 0, kStatusFile) != 0;
        return run;
    }
    if (status < 0 || status > kLastResult) {
        run.toolExit = Fail(kExitSoftware, "the driver ended without a result (exit status " +
                                               std::to_string(status) + "); see " +
                                               ProfileFilePath(kStatusFile));
        return run;
    }
    run.result = status;
    return run;
}
