#include "zvtool/jobs/job.h"

#include <string>

#include "settings/profile.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/jobs/job_keys.h"
#include "zvtool/jobs/progress.h"
#include "zvtool/jobs/trace_summary.h"
#include "zvtool/platform/files.h"
#include "zvtool/ports/port_identity.h"
#include "zvtool/ports/port_target.h"

namespace {

// How often the trace is read while a pass takes long, to say what its exchange meets.
constexpr double kCauseLookSeconds = 1.0;
constexpr int kLastResult = 11;
constexpr char kTraceVariable[] = "ZORDRIVE_TRACE";

// Before each driver run of a job: the port is the device it was when the job began (a link
// that went away would let the driver open another device for COM1). False and `error` when
// it is gone or another; the first run only notes what it is, once it is a device at all.
bool SamePortAsBefore(const TJobContext& context, TJobOutcome* outcome, TZvError* error) {
    int comport = 0;
    PortInUse(context.runFolder, context.port, &comport);
    // Its first run: a "COMn" that leads to no device is refused before a driver opens it.
    if (outcome->portIdentity.empty() && !ComEntryIsADevice(context.runFolder, comport, error)) {
        return false;
    }
    const TPortIdentity now = IdentifyPort(context.runFolder, comport);
    if (outcome->portIdentity.empty()) {
        outcome->portSeen = now;
        outcome->portIdentity = PortIdentityWord(now);
        return true;
    }
    const TPortIdentity& before = outcome->portSeen;
    if (!before.present || SameDevice(before, now)) {
        return true;
    }
    *error = {kExitPortGone,
              "the port went away: COM" + std::to_string(comport) + " was " +
                  PortIdentityWord(before) + " when the job began, and is " +
                  (now.present ? PortIdentityWord(now) : "no device (" + now.device + ")") +
                  " now; the job stops rather than go on over another device",
              ""};
    return false;
}

// Writes the job's keys into "zordrive.INI", each read back, and clears the result and the
// pass number in "zordOUT.INI": false and `error` when a key did not take.
bool PrepareRun(const TJobContext& context, const TDriverJob& job, TZvError* error) {
    std::vector<TJobKey> keys;
    if (context.port != 0) {
        keys.push_back({"Comport", context.port});
    }
    // One by one rather than vector::insert, which mingw's gcc warns of wrongly at -O3.
    for (const TJobKey& key : job.keys) {
        keys.push_back(key);
    }
    std::string message;
    if (WriteJobKeys(context.runFolder, keys, &message) != kExitOk) {
        *error = {kExitCannotCreate, message, ""};
        return false;
    }
    // A result or a pass number left from an earlier run would read as this run's.
    if (ClearStatusKeys(context.runFolder, &message) != kExitOk) {
        *error = {kExitCannotCreate, message, ""};
        return false;
    }
    return true;
}

// Follows one driver run from its status file: its passes, a stall and its cause, a stop.
struct TFollow {
    const TJobContext& context;
    TJobOutcome* outcome;
    const TDriverJob& job;
    TPassTracker tracker;
    int tick = 0;
    double causeLookedAt = 0;
    bool started = false;
    bool interrupted = false;

    int ReadPassNumber() const {
        return static_cast<int>(
            ProfileGetInt(kSection, "NowTransferingNo", 0,
                          DriverProfileName(context.runFolder, kStatusFile).c_str()));
    }

    // While a pass takes long, what its exchange has met so far, from the trace; at most once
    // a second.
    void LookAtCause(TPassEvent event) {
        TPassProgress& progress = tracker.progress;
        if (event == TPassEvent::kNewPass) {
            progress.cause = TLineCause::kSilent;
        }
        if (PassStalled(progress) && progress.elapsed - causeLookedAt >= kCauseLookSeconds) {
            progress.cause = CurrentCause(TraceText(context));
            causeLookedAt = progress.elapsed;
        }
    }

    // Ctrl-C: the driver is stopped (or was ended by the same Ctrl-C), and that is said.
    void Interrupted() {
        interrupted = true;
        End();
        Say(context, &outcome->end,
            ErrorMessage({kExitInterrupted, "interrupted: stopping the driver", ""}));
    }

    bool Watch(double elapsed) {
        if (!started) {
            started = true;
            // Named in the outcome only once a driver runs: a job refused before has no trace.
            outcome->trace = context.trace;
            TEvent begin;
            begin.kind = TEventKind::kRunStart;
            begin.what = job.what;
            begin.progress.total = tracker.progress.total;
            context.Emit(begin);
        }
        if (context.CancelRequested()) {
            Interrupted();
            return false;
        }
        TEvent event;
        if (tracker.progress.total == 0) {
            event.kind = TEventKind::kSpin;
            event.what = job.what;
            event.tick = tick++;
            event.elapsed = elapsed;
        } else {
            event.kind = TEventKind::kProgress;
            event.pass = TrackPass(&tracker, ReadPassNumber(), elapsed);
            LookAtCause(event.pass);
            event.progress = tracker.progress;
        }
        context.Emit(event);
        return true;
    }

    void End() const {
        TEvent end;
        end.kind = TEventKind::kRunEnd;
        end.what = job.what;
        context.Emit(end);
    }
};

// What is said of a driver that set its running flag and wrote no result.
std::string KilledText(const TJobContext& context, int status) {
    const char* how = ThisSystem() == TSystem::kWindows ? "Task Manager, taskkill, a shutdown"
                                                        : "kill, a shutdown";
    return "the driver ended without a result: it was ended before it finished (exit status " +
           std::to_string(status) + ", and it left ZorVekDriverRunning=1 and no ComStatus in " +
           DriverProfilePath(context.runFolder, kStatusFile) + "): another program ended it (" +
           how + ") or it crashed";
}

// The end of a run: a driver stopped by Ctrl-C, one that gave no result, or its result. The
// result is "ComStatus", which the driver writes as its last act; the exit status is the same
// code when the run finished, but a driver killed on the way gives an exit status and no
// "ComStatus" (Wine's "taskkill /F" gives 0, which would read as a connection test passed).
// A driver that ended without "ComStatus" but with the running flag it sets at its start was
// ended from outside; without that flag it never wrote the status file zvtool reads.
void EndRun(const TJobContext& context, TJobOutcome* outcome, bool interrupted, int status,
            TDriverRun* run) {
    const std::string statusFile = DriverProfileName(context.runFolder, kStatusFile);
    run->running = ProfileGetInt(kSection, "ZorVekDriverRunning", 0, statusFile.c_str()) != 0;
    if (interrupted) {
        run->toolExit = kExitInterrupted;
        return;
    }
    const int comStatus = ReadComStatus(context.runFolder);
    const bool noResult = comStatus < 0 || comStatus > kLastResult;
    run->exitStatus = status;
    if (!noResult) {
        run->result = comStatus;
        return;
    }
    run->killed = run->running;
    if (run->killed) {
        run->toolExit =
            Fail(context, &outcome->end, {kExitSoftware, KilledText(context, status), ""});
    } else if (status >= 0 && status <= kLastResult) {
        // Its status file is not the one zvtool reads: the verdict says where it reads it.
        run->noStatus = true;
    } else {
        run->toolExit = Fail(
            context, &outcome->end,
            {kExitSoftware,
             "the driver ended without a result (exit status " + std::to_string(status) +
                 ", no ComStatus in " + DriverProfilePath(context.runFolder, kStatusFile) + ")",
             ""});
    }
}

}  // namespace

int Say(const TJobContext& context, TCommandEnd* end, const TMessage& message) {
    end->Say(message);
    TEvent event;
    event.kind = TEventKind::kMessage;
    event.message = message;
    context.Emit(event);
    return message.exit;
}

int Fail(const TJobContext& context, TCommandEnd* end, const TZvError& error) {
    return Say(context, end, ErrorMessage(error));
}

TDriverRun RunDriverJob(const TJobContext& context, TJobOutcome* outcome, const TDriverJob& job) {
    TDriverRun run;
    TZvError keyError;
    if (!SamePortAsBefore(context, outcome, &keyError) || !PrepareRun(context, job, &keyError)) {
        run.toolExit = Fail(context, &outcome->end, keyError);
        return run;
    }
    TDriverLaunch launch{
        context.driver, context.runFolder, {}, context.driverStarted, context.lock};
    if (!context.trace.empty()) {
        launch.environment.push_back({kTraceVariable, context.trace});
    }
    TFollow follow{context, outcome, job, StartPassTracker(job.passModules, job.firstPassNumber)};
    const double start = context.clock.seconds();
    TDriverExit exit;
    std::string error;
    const bool ran = context.runner.run(
        launch, [&follow](double elapsed) { return follow.Watch(elapsed); }, &exit, &error);
    run.seconds = context.clock.seconds() - start;
    if (!ran) {
        run.toolExit = Fail(
            context, &outcome->end,
            {kExitUnavailable, "cannot start the driver " + context.driver + ": " + error, ""});
        return run;
    }
    run.started = true;
    // A Ctrl-C that reached the driver as well may end it before zvtool stops it: that is a
    // stop by Ctrl-C too, unless the driver had written its result.
    const int comStatus = ReadComStatus(context.runFolder);
    if (!follow.interrupted && context.CancelRequested() &&
        (comStatus < 0 || comStatus > kLastResult)) {
        follow.Interrupted();
    } else if (!follow.interrupted) {
        follow.End();
    }
    // The last pass may have begun and ended between two looks.
    if (follow.tracker.progress.total > 0) {
        TrackPass(&follow.tracker, follow.ReadPassNumber(), run.seconds);
    }
    run.lastPass = follow.tracker.progress.current;
    EndRun(context, outcome, follow.interrupted, exit.status, &run);
    return run;
}
