#include "zvtool/bench/bench.h"

#include <string>
#include <vector>

#include "zvtool/exit_codes.h"
#include "zvtool/jobs/job.h"
#include "zvtool/platform/files.h"

namespace {

constexpr int kTickMs = 200;
constexpr int kSoftwareExit = 70;
constexpr char kStartingLine[] = "starting";

struct TUnitRun {
    TBenchUnit unit;
    std::string folder;
    bool running = false;
    double start = 0;
    std::string line;  // its line as last reported
    TUnitOutcome outcome;
};

void ReportLine(const TJobContext& context, TUnitRun* run, const std::string& line) {
    if (line.empty() || line == run->line) {
        return;
    }
    run->line = line;
    TEvent event;
    event.kind = TEventKind::kUnitLine;
    event.unit = run->unit.name;
    event.what = line;
    context.Emit(event);
}

// Makes every unit's folder, then starts them all.
bool StartAll(const TJobContext& context, const TUnitLauncher& launcher,
              std::vector<TUnitRun>* runs, TZvError* error) {
    for (TUnitRun& run : *runs) {
        run.folder = JoinPath(context.runFolder, run.unit.name);
        run.outcome.name = run.unit.name;
        run.outcome.port = run.unit.port;
        run.line = kStartingLine;
        std::string why;
        if (!MakeFolders(run.folder, TFolderMode::kShared, &why)) {
            *error = {kExitCannotCreate, "cannot make the unit folder " + run.folder + ": " + why,
                      ""};
            return false;
        }
    }
    for (std::size_t i = 0; i < runs->size(); ++i) {
        TUnitRun& run = (*runs)[i];
        std::string why;
        run.start = context.clock.seconds();
        if (!launcher.start(i, run.unit, run.folder, &why)) {
            run.outcome.exit = kExitUnavailable;
            run.outcome.lastWords = "cannot start zvtool for it: " + why;
            continue;
        }
        run.running = true;
    }
    return true;
}

// Watches the units until every one has ended; passes a cancel on to all of them once.
bool WatchAll(const TJobContext& context, const TUnitLauncher& launcher,
              std::vector<TUnitRun>* runs, TCommandEnd* end) {
    bool interrupted = false;
    for (;;) {
        std::size_t running = 0;
        for (std::size_t i = 0; i < runs->size(); ++i) {
            TUnitRun& run = (*runs)[i];
            if (run.running && launcher.ended(i, &run.outcome)) {
                run.running = false;
                run.outcome.name = run.unit.name;
                run.outcome.port = run.unit.port;
                run.outcome.seconds = context.clock.seconds() - run.start;
            }
            running += run.running ? 1 : 0;
        }
        if (context.CancelRequested() && !interrupted) {
            interrupted = true;
            Fail(context, end, {kExitInterrupted, "interrupted: stopping every unit's driver", ""});
            for (std::size_t i = 0; i < runs->size(); ++i) {
                if ((*runs)[i].running) {
                    launcher.interrupt(i);
                }
            }
        }
        for (std::size_t i = 0; i < runs->size(); ++i) {
            TUnitRun& run = (*runs)[i];
            ReportLine(context, &run,
                       run.running ? launcher.lastLine(i) : UnitResultText(run.outcome));
        }
        if (running == 0) {
            return interrupted;
        }
        context.clock.sleep(kTickMs);
    }
}

// After a cancel: what a stopped unit said it left, in its own words.
void SayWhatItHolds(const TJobContext& context, const TUnitLauncher& launcher, std::size_t index,
                    const TUnitRun& run, TCommandEnd* end) {
    const std::string& name = run.unit.name;
    if (run.outcome.exit != kExitInterrupted) {
        Say(context, end, Note(name + " had ended: " + UnitResultText(run.outcome)));
        return;
    }
    const std::vector<std::string> held = launcher.heldLines(index);
    for (const std::string& line : held) {
        Say(context, end, Note(name + ": " + line));
    }
    if (held.empty()) {
        Say(context, end,
            Note(name + " was stopped; see " +
                 (run.outcome.log.empty() ? std::string("its log") : run.outcome.log)));
    }
}

}  // namespace

TUnitOutcome UnitOutcomeOf(const TJobOutcome& job) {
    TUnitOutcome unit;
    unit.exit = job.end.exit;
    unit.result = job.run.result;
    unit.meaning = job.run.meaning;
    unit.error = job.end.error;
    unit.lastWords = job.end.messages.empty() ? "" : job.end.messages.back().text;
    unit.records = job.records;
    unit.file = job.file;
    return unit;
}

std::string UnitResultText(const TUnitOutcome& outcome) {
    if (outcome.exit == kExitOk) {
        return "ok";
    }
    if (outcome.exit == kExitInterrupted) {
        return "stopped by Ctrl-C";
    }
    if (outcome.result >= 0 && !outcome.meaning.empty()) {
        return "result " + std::to_string(outcome.result) + ": " + outcome.meaning;
    }
    const std::string& words = outcome.lastWords.empty() ? outcome.error : outcome.lastWords;
    return "exit " + std::to_string(outcome.exit) + (words.empty() ? "" : ": ") + words;
}

int BenchExit(const std::vector<TUnitOutcome>& outcomes, bool interrupted) {
    if (interrupted) {
        return kExitInterrupted;
    }
    int worst = 0;
    for (const TUnitOutcome& outcome : outcomes) {
        const int exit = outcome.exit < 0 ? kSoftwareExit : outcome.exit;
        worst = exit > worst ? exit : worst;
    }
    return worst;
}

void RunBench(const TJobContext& context, const std::vector<TBenchUnit>& units,
              const TUnitLauncher& launcher, TBenchOutcome* outcome) {
    std::vector<TUnitRun> runs(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        runs[i].unit = units[i];
    }
    TZvError error;
    if (!StartAll(context, launcher, &runs, &error)) {
        outcome->end.exit = Fail(context, &outcome->end, error);
        return;
    }
    outcome->interrupted = WatchAll(context, launcher, &runs, &outcome->end);
    for (const TUnitRun& run : runs) {
        outcome->units.push_back(run.outcome);
    }
    if (outcome->interrupted) {
        for (std::size_t i = 0; i < runs.size(); ++i) {
            SayWhatItHolds(context, launcher, i, runs[i], &outcome->end);
        }
    }
    outcome->end.exit = BenchExit(outcome->units, outcome->interrupted);
}
