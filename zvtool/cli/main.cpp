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
#include "zvtool/jobs/guard.h"
#include "zvtool/jobs/outcome.h"
#include "zvtool/jobs/process.h"
#include "zvtool/json.h"
#include "zvtool/records/record_commands.h"
#include "zvtool/report.h"

namespace {

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
            return Fail(kExitUnavailable,
                        "no driver program at " + context->driver + "; check --driver");
        }
    } else {
        context->driver = DefaultDriverPath();
        if (context->driver.empty()) {
            return Fail(kExitUnavailable,
                        "the driver (zordrive) is neither beside zvtool nor on the search path; "
                        "give its path with --driver PATH");
        }
    }
    if (!options->dir.empty() && !ChangeDirectory(options->dir)) {
        return Fail(kExitNoInput, "cannot enter the directory " + options->dir +
                                      " (--dir); check that it exists");
    }
    context->port = options->port;
    context->terminal = StderrIsTerminal();
    return kExitOk;
}

// Whether the command line asks for JSON, known before anything can fail, so that every
// way out prints its object.
bool WantsJson(int argc, char** argv) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--json") == 0) {
            return true;
        }
    }
    return false;
}

// The command line as the lock file names the job: "backup -o b.dat --modules 1-10".
std::string CommandLineText(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--json") != 0) {
            text += (text.empty() ? "" : " ") + std::string(argv[i]);
        }
    }
    return text;
}

// Runs the command; its exit status. `printed` is set when it printed help or the version
// instead of a report.
int RunCommand(int argc, char** argv, bool* printed) {
    const int at = FindCommandWord(argc, argv);
    const TCommand* command = at > 0 ? FindCommand(argv[at]) : nullptr;
    if (command != nullptr) {
        CommandReport().command = command->name;
    }
    if (command != nullptr && command->recordCommand != nullptr) {
        return command->recordCommand(argc - at, argv + at);
    }
    TZvOptions options;
    std::string error;
    if (!ParseCommandLine(argc, argv, &options, &error)) {
        Fail(kExitUsage, error);
        if (command != nullptr) {
            std::fprintf(stderr, "Try 'zvtool %s --help'.\n", command->name);
        } else {
            PrintUsageHint();
        }
        return kExitUsage;
    }
    if (options.version) {
        if (JsonWanted()) {
            CommandReport().members.push_back({"zvtool", JsonString(ZV_VERSION)});
        } else {
            std::printf("zvtool %s\n", ZV_VERSION);
        }
        return kExitOk;
    }
    if (options.help) {
        *printed = true;
        if (command != nullptr) {
            std::fputs(command->help, stdout);
            std::fputs(kJobOptionsHelp, stdout);
        } else if (!options.command.empty()) {
            *printed = false;
            Fail(kExitUsage, "unknown command '" + options.command + "'");
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
    TJobSession session;
    int status = BeginJob(CommandLineText(argc, argv), options.trace, &session);
    if (status == kExitOk) {
        status = FindCommand(options.command)->job(context, options);
    }
    EndJob(&session);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const bool json = WantsJson(argc, argv);
    SetJsonWanted(json);
    bool printed = false;
    const int status = RunCommand(argc, argv, &printed);
    // Help is for people only: it prints no report.
    return printed ? status : FinishCommand(status, json);
}
