#include "zvtool/cli/run.h"

#include <cstdio>
#include <string>

#include "version.h"
#include "zvtool/bench/bench.h"
#include "zvtool/cli/help.h"
#include "zvtool/cli/options.h"
#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/commands.h"
#include "zvtool/jobs/outcome.h"
#include "zvtool/jobs/process.h"
#include "zvtool/ports/port_target.h"
#include "zvtool/ports/ports_command.h"
#include "zvtool/records/record_commands.h"

namespace {

constexpr char kTraceVariable[] = "ZORDRIVE_TRACE";

// The port --port names, as the "Comport" of this run (on POSIX a path or an adapter becomes
// the link COM1 here, and zvtool says so).
bool TakePort(const TZvOptions& options, TZvContext* context, TZvError* error) {
    TPortSpec spec;
    std::string note;
    if (!ParsePortSpec(options.portSpec, &spec, &error->message)) {
        error->exit = kExitUsage;
        return false;
    }
    if (!ResolvePortTarget(spec, &context->port, &note, error)) {
        return false;
    }
    if (!note.empty()) {
        std::fprintf(stderr, "zvtool: %s\n", note.c_str());
    }
    return true;
}

// Makes every path of the command line absolute, finds the driver and enters its directory;
// false and `error` when one of these fails.
bool PrepareContext(TZvOptions* options, TZvContext* context, TZvError* error) {
    for (std::string* path : {&options->file, &options->output, &options->trace}) {
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
    if (!options->portSpec.empty() && !TakePort(*options, context, error)) {
        return false;
    }
    if (!options->trace.empty()) {
        SetEnvironment(kTraceVariable, options->trace);
    }
    SetTraceFile(options->trace);
    context->terminal = StderrIsTerminal();
    return true;
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

}  // namespace

int RunZvtool(int argc, const char* const* argv) {
    TZvOptions options;
    TZvError error;
    if (!ParseCommandLine(argc, argv, &options, &error)) {
        PrintError(error);
        PrintUsageHint(error.command);
        return error.exit;
    }
    if (options.version) {
        std::printf("zvtool %s\n", ZV_VERSION);
        return kExitOk;
    }
    if (options.help) {
        if (options.command.empty()) {
            PrintMainHelp();
        } else if (!PrintCommandHelp(options.command)) {
            PrintError({kExitUsage, "unknown command '" + options.command + "'", ""});
            PrintUsageHint("");
            return kExitUsage;
        }
        return kExitOk;
    }
    switch (options.job) {
        case TZvJob::kCheck:
            return RunCheck(options.records);
        case TZvJob::kShow:
            return RunShow(options.records);
        case TZvJob::kDiff:
            return RunDiff(options.records);
        case TZvJob::kPorts:
            return RunPorts(options);
        default:
            break;
    }
    if (!options.portList.empty() || !options.unitsFile.empty()) {
        InstallInterruptHandler();
        return RunBench(options);
    }
    TZvContext context;
    if (!PrepareContext(&options, &context, &error)) {
        return Fail(error);
    }
    InstallInterruptHandler();
    return RunJob(context, options);
}
