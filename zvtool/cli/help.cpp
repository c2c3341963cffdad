#include "zvtool/cli/help.h"

#include <cstdio>
#include <string>

#include "driver/result_codes.h"
#include "zvtool/cli/commands.h"
#include "zvtool/cli/exit_table.h"
#include "zvtool/cli/options.h"

namespace {

const char kMainHead[] = R"(Usage: zvtool [OPTIONS] COMMAND [ARGUMENTS]

Runs jobs on the interface unit through the driver (zordrive) and its files, as a host
application does, with live progress; checks, shows and compares record files.
)";

const char kMainHelpTail[] = R"(
zvtool writes only the job's keys into "zordrive.INI" (every other line stays) and reads
each back, starts the driver, shows its progress from "zordOUT.INI" and waits for it to
end. On Windows the two INI files are in the Windows directory, where the driver reads
them. One job at a time runs on the driver's files: a job takes a lock there first
(".zvtool.lock" in the folder; on Windows one per user). The driver always traces into a
session trace ($XDG_STATE_HOME/zvtool/logs or ~/.local/state/zvtool/logs; on Windows
%LOCALAPPDATA%\zvtool\logs), from which a failed job is explained at once. With --json
every command and every failure prints one JSON object on standard output (its keys: man
zvtool, JSON OUTPUT). Progress goes to standard error: one line redrawn
in place on a terminal, one line per module otherwise. Ctrl-C stops the driver and says
what it left behind.

Exit status:
)";

const char kResultHeading[] = R"(
The driver's result codes:
)";

const char kJobTrailer[] = R"(
Progress goes to standard error; Ctrl-C stops the driver and exits with 130.
)";

// The heading of each kind of command in the main help.
const char* KindHeading(TCommandKind kind) {
    switch (kind) {
        case TCommandKind::kDriverJob:
            return "Jobs, run through the driver:";
        case TCommandKind::kRecordFile:
            return "Record files, without the driver:";
        case TCommandKind::kLedger:
            return "The ledger (every backup kept, with where and when it was taken):";
        case TCommandKind::kPorts:
            break;
    }
    return "The machine:";
}

}  // namespace

std::string MainHelpText() {
    std::string text = kMainHead;
    const TCommandRow* previous = nullptr;
    for (const TCommandRow& row : CommandRows()) {
        if (previous == nullptr || previous->kind != row.kind) {
            text += std::string("\n") + KindHeading(row.kind) + "\n";
        }
        text += row.synopsis;
        previous = &row;
    }
    text += "\nOptions:\n" + OptionsHelpFor("") + "\n" + (kMainHelpTail + 1) + ExitHelpText() +
            kResultHeading;
    for (int code = 0; *ResultMeaning(code) != '\0'; ++code) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-6d %s\n", code, ResultMeaning(code));
        text += line;
    }
    return text;
}

std::string CommandHelpText(const TCommandRow& row) {
    std::string text = row.help;
    text += "\nOptions:\n" + OptionsHelpFor(row.name);
    if (row.kind == TCommandKind::kDriverJob) {
        text += kJobTrailer;
    }
    return text;
}

void PrintMainHelp() {
    std::fputs(MainHelpText().c_str(), stdout);
}

void PrintCommandHelp(const TCommandRow& row) {
    std::fputs(CommandHelpText(row).c_str(), stdout);
}

void PrintUsageHint(const std::string& command) {
    std::fprintf(stderr, "Try 'zvtool %s%s--help'.\n", command.c_str(), command.empty() ? "" : " ");
}
