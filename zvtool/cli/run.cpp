#include "zvtool/cli/run.h"

#include <cstdio>
#include <string>
#include <vector>

#include "version.h"
#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/commands.h"
#include "zvtool/cli/help.h"
#include "zvtool/cli/job_render.h"
#include "zvtool/cli/json.h"
#include "zvtool/cli/json_schema.h"
#include "zvtool/cli/messages.h"
#include "zvtool/cli/options.h"
#include "zvtool/exit_codes.h"
#include "zvtool/platform/processes.h"

namespace {

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

// The object of a command that ended before it ran: its command's keys, null where they do
// not apply (a job's keys when the word names a job).
std::string EndedJson(const TCommandRow* row, const TCommandEnd& end, unsigned more,
                      TJsonValues values = {}) {
    TJsonValues envelope = EnvelopeValues(row != nullptr ? row->name : "", end);
    values.insert(envelope.begin(), envelope.end());
    if (row != nullptr && row->kind == TCommandKind::kDriverJob) {
        values["job"] = JsonString(row->name);
    }
    return SchemaObject((row != nullptr ? row->bit : kNoCommandBit) | more, values);
}

void PrintJson(const std::string& json) {
    std::printf("%s\n", json.c_str());
    std::fflush(stdout);
}

// A command line that does not parse: the error, how to get help, and the object.
int Refuse(const TZvError& error, bool json) {
    TCommandEnd end;
    end.Fail(error);
    PrintMessages(end.messages);
    PrintUsageHint(error.command);
    if (json) {
        PrintJson(EndedJson(FindCommand(error.command), end, 0));
    }
    return end.exit;
}

// --version, or --help (help is for people only: it prints no object).
int AnswerVersionOrHelp(const TZvOptions& options, bool json) {
    if (options.version) {
        if (json) {
            TCommandEnd end;
            PrintJson(
                EndedJson(options.row, end, kVersionObject, {{"zvtool", JsonString(ZV_VERSION)}}));
        } else {
            std::printf("zvtool %s\n", ZV_VERSION);
        }
        return kExitOk;
    }
    if (options.command.empty()) {
        PrintMainHelp();
    } else if (options.row == nullptr) {
        return Refuse({kExitUsage, "unknown command '" + options.command + "'", ""}, json);
    } else {
        PrintCommandHelp(*options.row);
    }
    return kExitOk;
}

// Started without arguments, zvtool shows its help; in a console window of its own (a
// double-click on Windows) it waits for Enter, so that the window does not close at once.
int ShowHelpAlone() {
    PrintMainHelp();
    if (HasItsOwnConsole()) {
        std::fputs("\nPress Enter to close this window.\n", stdout);
        std::fflush(stdout);
        WaitForEnter();
    }
    return kExitOk;
}

}  // namespace

int RunZvtool(int argc, const char* const* argv) {
    if (argc <= 1) {
        return ShowHelpAlone();
    }
    // "/?" asks for help, as Windows programs have it.
    std::vector<const char*> words(argv, argv + argc);
    for (const char*& word : words) {
        word = std::string(word) == "/?" ? "--help" : word;
    }
    argv = words.data();
    const bool json = WantsJson(argc, argv);
    TCliRun cli;
    cli.argc = argc;
    cli.argv = argv;
    TZvError error;
    if (!ParseCommandLine(argc, argv, &cli.options, &error)) {
        return Refuse(error, json);
    }
    if (cli.options.version || cli.options.help) {
        return AnswerVersionOrHelp(cli.options, json);
    }
    return cli.options.row->run(cli);
}
