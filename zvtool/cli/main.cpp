// zvtool: runs jobs on the interface unit through the driver and its files, as a host
// application does, and reads record files.
#include <cstdio>
#include <cstring>
#include <string>

#include "version.h"
#include "zvtool/cli/help.h"
#include "zvtool/cli/options.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/commands.h"
#include "zvtool/jobs/outcome.h"
#include "zvtool/jobs/process.h"
#include "zvtool/records/record_commands.h"

namespace {

constexpr char kTraceVariable[] = "ZORDRIVE_TRACE";

// One row per command: a record-file command takes its own arguments; a job command is run
// from the parsed options.
struct TCommand {
    const char* name;
    int (*recordCommand)(int argc, char** argv);
    int (*job)(const TZvContext& context, const TZvOptions& options);
    const char* help;
};

const TCommand kCommands[] = {
    {"test", nullptr, RunTestJob, kTestHelp},
    {"fetch", nullptr, RunFetchJob, kFetchHelp},
    {"send", nullptr, RunSendJob, kSendHelp},
    {"backup", nullptr, RunBackup, kBackupHelp},
    {"restore", nullptr, RunRestore, kRestoreHelp},
    {"check", RunCheck, nullptr, nullptr},
    {"show", RunShow, nullptr, nullptr},
    {"diff", RunDiff, nullptr, nullptr},
};

const TCommand* FindCommand(const std::string& name) {
    for (const TCommand& command : kCommands) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

// Makes every path of the command line absolute, finds the driver and enters its directory;
// zvtool's exit status when one of these fails, else 0.
int PrepareContext(TZvOptions* options, TZvContext* context) {
    for (std::string* path : {&options->file, &options->output, &options->trace}) {
        if (!path->empty()) {
            *path = AbsolutePath(*path);
        }
    }
    if (!options->driver.empty()) {
        context->driver = AbsolutePath(options->driver);
        if (!IsProgram(context->driver)) {
            std::fprintf(stderr, "zvtool: no driver program at %s; check --driver\n",
                         context->driver.c_str());
            return kExitUnavailable;
        }
    } else {
        context->driver = DefaultDriverPath();
        if (context->driver.empty()) {
            std::fprintf(stderr,
                         "zvtool: the driver (zordrive) is neither beside zvtool nor on the "
                         "search path; give its path with --driver PATH\n");
            return kExitUnavailable;
        }
    }
    if (!options->dir.empty() && !ChangeDirectory(options->dir)) {
        std::fprintf(stderr,
                     "zvtool: cannot enter the directory %s (--dir); check that it exists\n",
                     options->dir.c_str());
        return kExitNoInput;
    }
    if (!options->trace.empty()) {
        SetEnvironment(kTraceVariable, options->trace);
    }
    SetTraceFile(options->trace);
    context->port = options->port;
    context->terminal = StderrIsTerminal();
    return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
    const int at = FindCommandWord(argc, argv);
    const TCommand* command = at > 0 ? FindCommand(argv[at]) : nullptr;
    if (command != nullptr && command->recordCommand != nullptr) {
        return command->recordCommand(argc - at, argv + at);
    }
    TZvOptions options;
    std::string error;
    if (!ParseCommandLine(argc, argv, &options, &error)) {
        std::fprintf(stderr, "zvtool: %s\n", error.c_str());
        if (command != nullptr) {
            std::fprintf(stderr, "Try 'zvtool %s --help'.\n", command->name);
        } else {
            PrintUsageHint();
        }
        return kExitUsage;
    }
    if (options.version) {
        std::printf("zvtool %s\n", ZV_VERSION);
        return kExitOk;
    }
    if (options.help) {
        if (command != nullptr) {
            std::fputs(command->help, stdout);
            std::fputs(kJobOptionsHelp, stdout);
        } else if (!options.command.empty()) {
            std::fprintf(stderr, "zvtool: unknown command '%s'\n", options.command.c_str());
            PrintUsageHint();
            return kExitUsage;
        } else {
            PrintMainHelp();
        }
        return kExitOk;
    }
    TZvContext context;
    const int prepared = PrepareContext(&options, &context);
    if (prepared != kExitOk) {
        return prepared;
    }
    InstallInterruptHandler();
    return FindCommand(options.command)->job(context, options);
}
