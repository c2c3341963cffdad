#include "zvtool/cli/bench_command.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/bench/bench.h"
#include "zvtool/bench/unit_processes.h"
#include "zvtool/cli/bench_screen.h"
#include "zvtool/cli/job_render.h"
#include "zvtool/cli/messages.h"
#include "zvtool/exit_codes.h"
#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"

namespace {

constexpr std::size_t kMostUnitsFileBytes = 1u << 20;

bool ReadUnits(const TZvOptions& options, std::vector<TBenchUnit>* units, TZvError* error) {
    std::string message;
    if (!options.portList.empty()) {
        if (ParsePortList(options.portList, units, &message)) {
            return true;
        }
        *error = {kExitUsage, message, ""};
        return false;
    }
    std::string text;
    if (ReadWholeFile(options.unitsFile, kMostUnitsFileBytes, &text, &message) !=
        TReadResult::kRead) {
        *error = {kExitNoInput, "cannot read the units file " + options.unitsFile, ""};
        return false;
    }
    if (ParseUnitsFile(text, units, &message)) {
        return true;
    }
    *error = {kExitDataError, options.unitsFile + ": " + message, ""};
    return false;
}

// A file name that every unit would share is refused: each writes its own. So is one unit
// name for them all: each unit is kept in the ledger under its own.
bool CheckBenchOptions(const TZvOptions& options, TZvError* error) {
    if (!options.job.unit.empty()) {
        *error = {kExitUsage,
                  "a bench names its units itself (unit1, unit2, ... for --ports, or as the "
                  "units file names them): leave out --unit",
                  ""};
        return false;
    }
    for (const std::string* path : {&options.job.output, &options.trace}) {
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

// The refused bench: its reason on standard error and, with --json, the object of its job.
int Refuse(const TCliRun& cli, const TZvError& error) {
    TJobOutcome outcome;
    outcome.command = cli.options.row->name;
    outcome.job = JobName(cli.options.job);
    outcome.end.Fail(error);
    PrintMessages(outcome.end.messages);
    if (cli.options.json) {
        std::printf("%s\n", JobJson(cli.options.row->bit, outcome).c_str());
    }
    return outcome.end.exit;
}

}  // namespace

int RunBenchCommand(const TCliRun& cli) {
    const TZvOptions& options = cli.options;
    std::string why;
    std::vector<TBenchUnit> units;
    TZvError error;
    if (!DriversRunSideBySide(&why)) {
        return Refuse(cli, {kExitNotOnThisSystem, why, ""});
    }
    if (!ReadUnits(options, &units, &error) || !CheckBenchOptions(options, &error)) {
        return Refuse(cli, error);
    }
    const std::vector<std::string> forwarded = BenchForwardedWords(cli.argc, cli.argv, options);
    const bool service = options.job.job == TZvJob::kBackup || options.job.job == TZvJob::kRestore;
    const std::string self = SelfPath().empty() ? "zvtool" : SelfPath();
    // Each unit's zvtool runs in its own folder: what it reads is named from here, each
    // unit's copies go into the ledger under its own name, and it prints its object.
    const TUnitCommandLine commandLine = [&](const TBenchUnit& unit, const std::string& folder) {
        std::vector<std::string> line{self};
        line.insert(line.end(), forwarded.begin(), forwarded.end());
        if (service) {
            line.insert(line.end(), {"--unit", unit.name});
        }
        line.insert(line.end(), {"--dir", folder, "--port", unit.port, "--json"});
        return line;
    };
    const std::string base = AbsolutePath(options.dir.empty() ? "." : options.dir);
    TCancelRequest cancel;
    TBenchView view(units, StderrIsTerminal());
    TJobContext context;
    context.runFolder = base;
    context.clock = SystemClock();
    context.cancel = &cancel;
    context.sink = [&view](const TEvent& event) { view.Show(event); };
    SetFlagOnInterrupt(&cancel.requested);
    view.Begin();
    TBenchOutcome bench;
    RunBench(context, units, ProcessLauncher(base, commandLine), &bench);
    if (options.json) {
        for (const TUnitOutcome& unit : bench.units) {
            std::printf("%s\n", OutcomeJson(options.row->name, unit).c_str());
        }
    } else {
        std::fputs(OutcomeTable(bench.units).c_str(), stdout);
    }
    std::fflush(stdout);
    return bench.end.exit;
}
