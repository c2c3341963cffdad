#include "zvtool/bench/bench.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "zvtool/bench/bench_process.h"
#include "zvtool/bench/bench_screen.h"
#include "zvtool/bench/units.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/process.h"

namespace {

constexpr int kTickMs = 200;
constexpr char kCommand[] = "";
using Clock = std::chrono::steady_clock;

struct TUnitRun {
    TBenchUnit unit;
    std::string folder;
    std::string outPath;  // its zvtool's standard output: its JSON object
    std::string logPath;  // its standard error: progress lines and messages
    TUnitProcess process;
    bool running = false;
    Clock::time_point start;
    TUnitView view;
    TUnitOutcome outcome;
};

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The last line of the unit's log that says something; a line redrawn with CR counts from
// its last CR.
std::string LastLine(const std::string& path) {
    std::istringstream lines(ReadWhole(path));
    std::string line;
    std::string last;
    while (std::getline(lines, line)) {
        const std::size_t cr = line.find_last_of('\r', line.size() > 1 ? line.size() - 2 : 0);
        line = cr == std::string::npos ? line : line.substr(cr + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.empty()) {
            last = line;
        }
    }
    return last;
}

bool ReadUnits(const TZvOptions& options, std::vector<TBenchUnit>* units, TZvError* error) {
    std::string message;
    if (!options.portList.empty()) {
        if (ParsePortList(options.portList, units, &message)) {
            return true;
        }
        *error = {kExitUsage, message, ""};
        return false;
    }
    std::ifstream in(options.unitsFile, std::ios::binary);
    if (!in) {
        *error = {kExitNoInput, "cannot read the units file " + options.unitsFile, ""};
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (ParseUnitsFile(text.str(), units, &message)) {
        return true;
    }
    *error = {kExitDataError, options.unitsFile + ": " + message, ""};
    return false;
}

// A file name that every unit would share is refused: each writes its own. So is one unit
// name for them all: each unit is kept in the ledger under its own.
bool CheckBenchOptions(const TZvOptions& options, TZvError* error) {
    if (!options.unit.empty()) {
        *error = {kExitUsage,
                  "a bench names its units itself (unit1, unit2, ... for --ports, or as the "
                  "units file names them): leave out --unit",
                  ""};
        return false;
    }
    for (const std::string* path : {&options.output, &options.trace}) {
        if (!path->empty() && AbsolutePath(*path) == *path) {
            *error = {kExitUsage,
                      "with several units, -o and --trace name a file in each unit's folder: "
                      "give a relative name, not " +
                          *path,
                      ""};
            return false;
        }
    }
    return true;
}

// The outcome of a unit whose zvtool ended with `status`, from what it printed.
void ReadOutcome(TUnitRun* run, int status, double cpuSeconds) {
    TUnitOutcome& outcome = run->outcome;
    outcome.exit = status;
    outcome.cpuSeconds = cpuSeconds;
    outcome.seconds = std::chrono::duration<double>(Clock::now() - run->start).count();
    std::string json = ReadWhole(run->outPath);
    while (!json.empty() && (json.back() == '\n' || json.back() == '\r')) {
        json.pop_back();
    }
    outcome.json = json.size() > 1 && json[0] == '{' ? json : "";
    std::string value;
    if (JsonField(outcome.json, "records", &value)) {
        outcome.records = std::atoi(value.c_str());
    }
    if (JsonField(outcome.json, "file", &value)) {
        outcome.file = value;
    }
    std::string meaning;
    if (status == 0) {
        outcome.result = "ok";
    } else if (status == kExitInterrupted) {
        outcome.result = "stopped by Ctrl-C";
    } else if (JsonField(outcome.json, "result", &value) &&
               JsonField(outcome.json, "meaning", &meaning)) {
        outcome.result = "result " + value + ": " + meaning;
    } else {
        const std::string last = LastLine(run->logPath);
        outcome.result = last.compare(0, 8, "zvtool: ") == 0 ? last.substr(8) : last;
        outcome.result =
            "exit " + std::to_string(status) + (last.empty() ? "" : ": ") + outcome.result;
    }
}

bool StartAll(const TZvOptions& options, std::vector<TUnitRun>* runs, TZvError* error) {
    const std::string base = AbsolutePath(options.dir.empty() ? "." : options.dir);
    const std::string program = SelfProgram();
    for (TUnitRun& run : *runs) {
        run.folder = base + "/" + run.unit.name;
        run.outPath = base + "/" + run.unit.name + ".json";
        run.logPath = base + "/" + run.unit.name + ".log";
        run.view = {run.unit.name, run.unit.port, "starting"};
        run.outcome.name = run.unit.name;
        run.outcome.port = run.unit.port;
        std::string why;
        if (!MakeFolder(run.folder, &why)) {
            *error = {kExitCannotCreate, "cannot make the unit folder " + run.folder + ": " + why,
                      ""};
            return false;
        }
    }
    for (TUnitRun& run : *runs) {
        std::string why;
        run.start = Clock::now();
        if (!StartUnit(UnitCommandLine(options, run.unit, run.folder, program), run.folder,
                       run.outPath, run.logPath, &run.process, &why)) {
            run.outcome.exit = kExitUnavailable;
            run.outcome.result = "exit 69: cannot start zvtool for it: " + why;
            continue;
        }
        run.running = true;
    }
    return true;
}

// Shows what changed: on a terminal every unit's line redrawn; otherwise one line per event.
void Show(std::vector<TUnitRun>* runs, bool terminal, std::size_t* drawn) {
    bool changed = false;
    for (TUnitRun& run : *runs) {
        const std::string line = run.running ? LastLine(run.logPath) : run.outcome.result;
        if (!line.empty() && line != run.view.line) {
            run.view.line = line;
            changed = true;
            if (!terminal) {
                std::fprintf(stderr, "%s: %s\n", run.unit.name.c_str(), line.c_str());
            }
        }
    }
    if (terminal && (changed || *drawn == 0)) {
        std::vector<TUnitView> views;
        for (const TUnitRun& run : *runs) {
            views.push_back(run.view);
        }
        const std::vector<std::string> lines = BenchLines(views);
        std::fputs(Redraw(lines, *drawn).c_str(), stderr);
        *drawn = lines.size();
    }
}

// Watches the units until every one has ended; passes Ctrl-C on to all of them once.
bool WatchAll(std::vector<TUnitRun>* runs, bool terminal) {
    std::size_t drawn = 0;
    bool interrupted = false;
    for (;;) {
        std::size_t running = 0;
        for (TUnitRun& run : *runs) {
            int status = 0;
            double cpu = 0;
            if (run.running && UnitEnded(&run.process, &status, &cpu)) {
                run.running = false;
                ReadOutcome(&run, status, cpu);
            }
            running += run.running ? 1 : 0;
        }
        if (Interrupted() && !interrupted) {
            interrupted = true;
            PrintError({kExitInterrupted, "interrupted: stopping every unit's driver", ""});
            // The message took the line below the drawing: draw the units anew under it.
            drawn = 0;
            for (const TUnitRun& run : *runs) {
                if (run.running) {
                    InterruptUnit(run.process);
                }
            }
        }
        Show(runs, terminal, &drawn);
        if (running == 0) {
            return interrupted;
        }
        PauseMs(kTickMs);
    }
}

// After Ctrl-C: what a stopped unit's zvtool said it left, in its own words.
void SayWhatItHolds(const TUnitRun& run) {
    if (run.outcome.exit != kExitInterrupted) {
        std::fprintf(stderr, "zvtool: %s had ended: %s\n", run.unit.name.c_str(),
                     run.outcome.result.c_str());
        return;
    }
    std::istringstream lines(ReadWhole(run.logPath));
    std::string line;
    bool said = false;
    while (std::getline(lines, line)) {
        if (line.find(" holds ") != std::string::npos || line.find(" left ") != std::string::npos) {
            std::fprintf(stderr, "zvtool: %s: %s\n", run.unit.name.c_str(),
                         line.compare(0, 8, "zvtool: ") == 0 ? line.c_str() + 8 : line.c_str());
            said = true;
        }
    }
    if (!said) {
        std::fprintf(stderr, "zvtool: %s was stopped; see %s\n", run.unit.name.c_str(),
                     run.logPath.c_str());
    }
}

}  // namespace

int RunBench(const TZvOptions& options) {
    std::string why;
    if (!BenchSupported(&why)) {
        return Fail({kExitUnavailable, why, kCommand});
    }
    std::vector<TBenchUnit> units;
    TZvError error;
    if (!ReadUnits(options, &units, &error) || !CheckBenchOptions(options, &error)) {
        return Fail(error);
    }
    // Every unit's zvtool runs in its own folder: the files it reads are named from here.
    TZvOptions unitOptions = options;
    for (std::string* path : {&unitOptions.file, &unitOptions.driver}) {
        *path = path->empty() ? "" : AbsolutePath(*path);
    }
    std::vector<TUnitRun> runs(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        runs[i].unit = units[i];
    }
    if (!StartAll(unitOptions, &runs, &error)) {
        return Fail(error);
    }
    const bool interrupted = WatchAll(&runs, StderrIsTerminal());
    std::vector<TUnitOutcome> outcomes;
    for (const TUnitRun& run : runs) {
        outcomes.push_back(run.outcome);
    }
    if (options.json) {
        for (const TUnitOutcome& outcome : outcomes) {
            std::printf("%s\n", OutcomeJson(outcome).c_str());
        }
    } else {
        std::fputs(OutcomeTable(outcomes).c_str(), stdout);
    }
    if (interrupted) {
        for (const TUnitRun& run : runs) {
            SayWhatItHolds(run);
        }
    }
    return BenchExit(outcomes, interrupted);
}
