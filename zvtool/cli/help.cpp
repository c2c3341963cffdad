#include "zvtool/cli/help.h"

#include <cstdio>
#include <string>

#include "driver/result_codes.h"
#include "zvtool/cli/commands.h"
#include "zvtool/cli/exit_table.h"
#include "zvtool/cli/options.h"
#include "zvtool/platform/files.h"

namespace {

const char kMainHead[] = R"(Usage: zvtool [OPTIONS] COMMAND [ARGUMENTS]

Runs jobs on the interface unit through the driver (zordrive) and its files, as a host
application does, with live progress; checks, shows and compares record files.
)";

// What the main help says after the options, on each system.
const char kMainHelpTail[] = R"(
zvtool writes only the job's keys into "zordrive.INI" (every other line stays) and reads
each back, starts the driver, shows its progress from "zordOUT.INI" and waits for it to
end; both files lie in the driver's directory (--dir). One job at a time runs on the
driver's files: a job takes a lock there first (".zvtool.lock"), which its driver holds
until it ends. The driver always traces into a session trace ($XDG_STATE_HOME/zvtool/logs
or ~/.local/state/zvtool/logs), from which a failed job is explained at once. A relative
FILE, -o or --trace is taken from the directory zvtool was started in, not from --dir.
With --json every command and every failure prints one JSON object on standard output
(man zvtool,
JSON OUTPUT, lists its keys). Progress goes to standard error: one
line redrawn in place on a terminal, one line per module otherwise. Ctrl-C stops the
driver and says what it left behind.

Exit status:
)";

const char kMainHelpTailWindows[] = R"(
zvtool writes only the job's keys into "zordrive.INI" (every other line stays) and reads
each back, starts the driver, shows its progress from "zordOUT.INI" and waits for it to
end; both files lie in the Windows directory, where the driver reads them. One job at a
time runs on this PC, whatever the account: a job takes a lock first
(%ProgramData%\zvtool\settings.lock), which its driver holds until it ends. The driver
always traces into a session trace (%LOCALAPPDATA%\zvtool\logs), from which a failed job
is explained at once. A relative FILE, -o or --trace is taken from the folder zvtool was
started in, not from --dir. With --json every command and every failure prints one JSON
object on standard output (docs\json.md lists its keys). Progress
goes to standard error: one line redrawn in place in a console window, one line per
module otherwise. Ctrl-C stops the driver and says what it left behind. `zvtool /?` is
`zvtool --help`; started without arguments from Explorer, zvtool shows this help and
waits for Enter.

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

std::string MainHelpText(TSystem system) {
    const bool windows = system == TSystem::kWindows;
    std::string text = kMainHead;
    const TCommandRow* previous = nullptr;
    for (const TCommandRow& row : CommandRows()) {
        if (previous == nullptr || previous->kind != row.kind) {
            text += std::string("\n") + KindHeading(row.kind) + "\n";
        }
        text += row.synopsis;
        previous = &row;
    }
    text += "\nOptions:\n" + OptionsHelpFor("", system) + "\n" +
            ((windows ? kMainHelpTailWindows : kMainHelpTail) + 1) + ExitHelpText(system) +
            kResultHeading;
    for (int code = 0; *ResultMeaning(code) != '\0'; ++code) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-6d %s\n", code, ResultMeaning(code));
        text += line;
    }
    return text;
}

std::string CommandHelpText(const TCommandRow& row, TSystem system) {
    std::string text =
        system == TSystem::kWindows && row.windowsHelp != nullptr ? row.windowsHelp : row.help;
    text += "\nOptions:\n" + OptionsHelpFor(row.name, system);
    if (row.kind == TCommandKind::kDriverJob) {
        text += kJobTrailer;
    }
    return text;
}

void PrintMainHelp() {
    std::fputs(MainHelpText(ThisSystem()).c_str(), stdout);
}

void PrintCommandHelp(const TCommandRow& row) {
    std::fputs(CommandHelpText(row, ThisSystem()).c_str(), stdout);
}

void PrintUsageHint(const std::string& command) {
    std::fprintf(stderr, "Try 'zvtool %s%s--help'.\n", command.c_str(), command.empty() ? "" : " ");
}
