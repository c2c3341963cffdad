// The terminal's run of the record-file commands and the ledger's: each calls the core and
// prints what it found as text, or its JSON object, with its messages on standard error.
#include <cstdio>
#include <ctime>
#include <string>

#include "zvtool/cli/command_runs.h"
#include "zvtool/cli/ledger_render.h"
#include "zvtool/cli/messages.h"
#include "zvtool/cli/records_render.h"
#include "zvtool/exit_codes.h"
#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/ledger/ledger_share.h"
#include "zvtool/ledger/user_ledger.h"

namespace {

// Prints the messages, then the findings as text or JSON; returns the exit status.
int Finish(const TCliRun& cli, const TCommandEnd& end, const std::string& text,
           const std::string& json) {
    PrintMessages(end.messages);
    if (cli.options.json) {
        std::printf("%s\n", json.c_str());
    } else {
        std::fputs(text.c_str(), stdout);
    }
    std::fflush(stdout);
    return end.exit;
}

// The files the command line names, a ledger entry's name as the path of its copy: false
// when one cannot be used (said into `end`).
bool ResolveFiles(const TCliRun& cli, const char* command, std::vector<std::string>* files,
                  TCommandEnd* end) {
    *files = cli.options.records.files;
    TZvError error = ResolveLedgerNames(UserLedger(end), kExitDiffTrouble, files, end);
    if (error.exit == kExitOk) {
        return true;
    }
    error.command = command;
    end->Fail(error);
    return false;
}

// What the messages of resolving names said comes first.
void Prepend(const TCommandEnd& first, TCommandEnd* end) {
    end->messages.insert(end->messages.begin(), first.messages.begin(), first.messages.end());
}

}  // namespace

int RunCheckCommand(const TCliRun& cli) {
    std::vector<std::string> files;
    TCommandEnd resolved;
    TCheckResult result;
    if (ResolveFiles(cli, "check", &files, &resolved)) {
        result = CheckRecordFiles(files);
        Prepend(resolved, &result.end);
    } else {
        result.end = resolved;
    }
    return Finish(cli, result.end, CheckText(result, cli.options.records.all), CheckJson(result));
}

int RunShowCommand(const TCliRun& cli) {
    const TRecordArgs& args = cli.options.records;
    std::vector<std::string> files;
    TCommandEnd resolved;
    TShowResult result;
    if (ResolveFiles(cli, "show", &files, &resolved)) {
        result = ShowRecordFile(files[0], args.record);
        Prepend(resolved, &result.end);
    } else {
        result.file.path = args.files[0];
        result.end = resolved;
    }
    return Finish(cli, result.end, ShowText(result, args.hex), ShowJson(result));
}

int RunDiffCommand(const TCliRun& cli) {
    std::vector<std::string> files;
    TCommandEnd resolved;
    TDiffResult result;
    if (ResolveFiles(cli, "diff", &files, &resolved)) {
        result = DiffRecordFiles(files[0], files[1]);
        Prepend(resolved, &result.end);
    } else {
        result.a.path = cli.options.records.files[0];
        result.b.path = cli.options.records.files[1];
        result.end = resolved;
    }
    const std::string text = result.compared ? DiffText(result.diff, result.a.path, result.b.path,
                                                        cli.options.records.hex)
                                             : "";
    return Finish(cli, result.end, text, DiffJson(result));
}

int RunSetCommand(const TCliRun& cli) {
    const TRecordArgs& args = cli.options.records;
    const TSetResult result = SetRecords(args.files[0], args.output, args.edits);
    return Finish(cli, result.end, SetText(result, args.hex), SetJson(result));
}

int RunHistoryCommand(const TCliRun& cli) {
    TCommandEnd found;
    const TLedgerPlace place = UserLedger(&found);
    THistoryResult result =
        LedgerHistory(place, cli.options.unit, static_cast<long long>(std::time(nullptr)));
    Prepend(found, &result.end);
    return Finish(cli, result.end, HistoryText(result), HistoryJson(result));
}

int RunLedgerCommand(const TCliRun& cli) {
    TCommandEnd found;
    const TLedgerPlace place = UserLedger(&found);
    const std::string& action = cli.options.ledgerAction;
    if (action == "check") {
        TLedgerCheckResult result = CheckLedger(place);
        Prepend(found, &result.end);
        return Finish(cli, result.end, LedgerCheckText(result), LedgerCheckJson(result));
    }
    const TGitRunner git = UserGit(nullptr);
    TLedgerShareResult result = action == "share"
                                    ? ShareLedger(place, git, RemoteForGit(cli.options.remote))
                                    : SyncLedger(place, git);
    Prepend(found, &result.end);
    return Finish(cli, result.end, LedgerShareText(result, action),
                  LedgerShareJson(result, action));
}

int RunUnitsCommand(const TCliRun& cli) {
    TCommandEnd found;
    const TLedgerPlace place = UserLedger(&found);
    TUnitsResult result = LedgerUnits(place, static_cast<long long>(std::time(nullptr)));
    Prepend(found, &result.end);
    return Finish(cli, result.end, UnitsText(result), UnitsJson(result));
}
