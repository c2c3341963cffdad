#include "zvtool/cli/run.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "version.h"
#include "zvtool/bench/bench.h"
#include "zvtool/cli/help.h"
#include "zvtool/cli/options.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/commands.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/jobs/process.h"
#include "zvtool/json.h"
#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/ports/port_target.h"
#include "zvtool/ports/ports_command.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/report.h"

namespace {

// The port --port names, as the "Comport" of this run (on POSIX a path or an adapter becomes
// the link COM1 here, and zvtool says so).
bool TakePort(const TZvOptions& options, TZvContext* context, TZvError* error) {
    TPortArg name;
    std::string note;
    if (!ParsePortArg(options.portArg, &name, &error->message)) {
        error->exit = kExitUsage;
        return false;
    }
    if (!ResolvePortTarget(name, &context->port, &note, error)) {
        return false;
    }
    if (!note.empty()) {
        Note(note);
    }
    return true;
}

// Makes every path of the command line absolute, finds the driver and enters its directory;
// false and `error` when one of these fails.
bool PrepareContext(TZvOptions* options, TZvContext* context, TZvError* error) {
    for (std::string* path : {&options->file, &options->output, &options->trace, &options->dir}) {
        if (!path->empty()) {
            *path = AbsolutePath(*path);
        }
    }
    if (!options->driver.empty()) {
        context->driver = AbsolutePath(options->driver);
        if (!IsProgram(context->driver)) {
            *error = {kExitUnavailable,
                      "no driver program at " + context->driver + "; check --driver", ""};
            return false;
        }
    } else {
        context->driver = DefaultDriverPath();
        if (context->driver.empty()) {
            *error = {kExitUnavailable,
                      "the driver (zordrive) is neither beside zvtool nor on the search path; give "
                      "its path with --driver PATH",
                      ""};
            return false;
        }
    }
    if (!options->dir.empty() && !ChangeDirectory(options->dir)) {
        *error = {kExitNoInput,
                  "cannot enter the directory " + options->dir + " (--dir); check that it exists",
                  ""};
        return false;
    }
    context->port = options->port;
    context->terminal = StderrIsTerminal();
    return true;
}

// diff, with UNIT@N for a file of the ledger.
int RunDiffOfLedger(TRecordArgs args) {
    if (const TZvError error = ResolveLedgerNames(&args.files); error.exit != kExitOk) {
        return Fail(error);
    }
    return RunDiff(args);
}

int RunJob(const TZvContext& context, const TZvOptions& options) {
    switch (options.job) {
        case TZvJob::kTest:
            return RunTestJob(context, options);
        case TZvJob::kFetchCentral:
        case TZvJob::kFetchModules:
            return RunFetchJob(context, options);
        case TZvJob::kSendCentral:
        case TZvJob::kSendModules:
            return RunSendJob(context, options);
        case TZvJob::kBackup:
            return RunBackup(context, options);
        default:
            return RunRestore(context, options);
    }
}

// Whether the command line asks for JSON, known before it is parsed, so that a command line
// that does not parse still ends with its object.
bool WantsJson(int argc, const char* const* argv) {
    for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
        if (std::string(argv[i]) == "--json") {
            return true;
        }
    }
    return false;
}

// The command line as the lock file names the job: "backup -o b.dat --modules 1-10".
std::string CommandLineText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) != "--json") {
            text += (text.empty() ? "" : " ") + std::string(argv[i]);
        }
    }
    return text;
}

// A job under its guard: the lock taken before any file of the driver's is touched and held
// until its last driver has ended, the trace set up.
// A port given by path or adapter becomes the folder's COM1 link under that lock too.
int RunGuardedJob(TZvContext context, const TZvOptions& options, const std::string& commandLine) {
    TJobSession session;
    int status = BeginJob(commandLine, options.trace, &session);
    TZvError error;
    if (status == kExitOk && !options.portArg.empty() && !TakePort(options, &context, &error)) {
        status = Fail(error);
    } else if (status == kExitOk) {
        status = RunJob(context, options);
    }
    EndJob(&session);
    return status;
}

// --version, or --help (`printed` set when help was printed).
int AnswerVersionOrHelp(const TZvOptions& options, bool* printed) {
    if (options.version) {
        if (JsonWanted()) {
            CommandReport().members.push_back({"zvtool", JsonString(ZV_VERSION)});
        } else {
            std::printf("zvtool %s\n", ZV_VERSION);
        }
        return kExitOk;
    }
    if (options.command.empty()) {
        PrintMainHelp();
    } else if (!PrintCommandHelp(options.command)) {
        PrintError({kExitUsage, "unknown command '" + options.command + "'", ""});
        PrintUsageHint("");
        return kExitUsage;
    }
    *printed = true;
    return kExitOk;
}

// The commands that start no driver: the record files, the ledger and the ports. False
// when the job is one for the driver.
bool RunOffLine(const TZvOptions& options, int* status) {
    const long long now = static_cast<long long>(std::time(nullptr));
    switch (options.job) {
        case TZvJob::kCheck:
            *status = RunCheck(options.records);
            return true;
        case TZvJob::kShow:
            *status = RunShow(options.records);
            return true;
        case TZvJob::kDiff:
            *status = RunDiffOfLedger(options.records);
            return true;
        case TZvJob::kSet:
            *status = RunSet(options.records.files[0], options.records.output,
                             options.records.edits, options.records.hex, RenameReplacing);
            return true;
        case TZvJob::kHistory:
            *status = RunHistory(options.unit, now);
            return true;
        case TZvJob::kUnits:
            *status = RunUnits(now);
            return true;
        case TZvJob::kPorts:
            *status = RunPorts(options);
            return true;
        default:
            return false;
    }
}

// The command, with `printed` set when it printed help, or a bench's objects, rather than
// a report.
int RunCommand(int argc, const char* const* argv, bool* printed) {
    TZvOptions options;
    TZvError error;
    const bool parsed = ParseCommandLine(argc, argv, &options, &error);
    const std::string& word = parsed ? options.command : error.command;
    TReport& report = CommandReport();
    report.command = IsCommandWord(word) ? word : "";
    // A job's report has the keys of its run whatever stops it, a bad command line too.
    report.job = !report.command.empty() && word != "check" && word != "show" && word != "diff" &&
                 word != "set" && word != "history" && word != "units" && word != "ports";
    report.jobName = word;
    if (!parsed) {
        PrintError(error);
        PrintUsageHint(error.command);
        return error.exit;
    }
    if (options.version || options.help) {
        return AnswerVersionOrHelp(options, printed);
    }
    if (int status = kExitOk; RunOffLine(options, &status)) {
        return status;
    }
    if (!options.portList.empty() || !options.unitsFile.empty()) {
        // With --json a bench prints one object per unit, each unit's own report inside.
        *printed = options.json;
        InstallInterruptHandler();
        return RunBench(options);
    }
    report.jobName = JobName(options);
    TZvContext context;
    if (!PrepareContext(&options, &context, &error)) {
        return Fail(error);
    }
    InstallInterruptHandler();
    return RunGuardedJob(context, options, CommandLineText(argc, argv));
}

}  // namespace

int RunZvtool(int argc, const char* const* argv) {
    const bool json = WantsJson(argc, argv);
    SetJsonWanted(json);
    bool printed = false;
    const int status = RunCommand(argc, argv, &printed);
    // Help is for people only: it prints no report.
    return printed ? status : FinishCommand(status, json);
}
