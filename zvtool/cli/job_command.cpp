// The terminal's run of a job: its context (the run folder, the driver, the user's folders),
// the guard around it, the job itself, and its outcome as text or JSON.
#include <cstdio>
#include <string>

#include "zvtool/cli/bench_command.h"
#include "zvtool/cli/command_runs.h"
#include "zvtool/cli/job_render.h"
#include "zvtool/cli/job_view.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/backup.h"
#include "zvtool/jobs/driver_jobs.h"
#include "zvtool/jobs/driver_program.h"
#include "zvtool/jobs/guard.h"
#include "zvtool/jobs/restore.h"
#include "zvtool/ledger/ledger_commands.h"
#include "zvtool/ledger/user_ledger.h"
#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"
#include "zvtool/platform/user_folders.h"
#include "zvtool/ports/port_target.h"

namespace {

// A restore takes a ledger entry's name for its file: the path of its copy, once the copy is
// found sound. False with the reason said into `end`.
bool ResolveRestoreFile(const TJobContext& context, TJobRequest* request, TCommandEnd* end) {
    if (request->job != TZvJob::kRestore) {
        return true;
    }
    std::vector<std::string> files{request->file};
    TCommandEnd read;
    const TZvError error = ResolveLedgerNames(context.ledger, kExitNoInput, &files, &read);
    // The log's lines that do not read, said as the job's own messages are.
    for (const TMessage& message : read.messages) {
        Say(context, end, message);
    }
    if (error.exit != kExitOk) {
        end->exit = Fail(context, end, error);
        return false;
    }
    request->file = files[0];
    return true;
}

// The job's context and request from the command line: every path absolute, the driver
// found, the run folder there. False and `error` when one of these fails.
bool PrepareContext(const TZvOptions& options, const TJobRequest& asked, TJobContext* context,
                    TJobRequest* request, TZvError* error) {
    *request = asked;
    for (std::string* path : {&request->file, &request->output}) {
        *path = path->empty() ? "" : AbsolutePath(*path);
    }
    const std::string dir = options.dir.empty() ? "" : AbsolutePath(options.dir);
    request->finishingOptions = (dir.empty() ? "" : " --dir " + dir) +
                                (request->unit.empty() ? "" : " --unit " + request->unit);
    if (!FindDriverProgram(options.driver, &context->driver, error)) {
        return false;
    }
    context->runFolder = dir.empty() ? AbsolutePath(".") : dir;
    if (!IsFolder(context->runFolder)) {
        *error = {kExitNoInput,
                  "cannot enter the directory " + dir + " (--dir); check that it exists", ""};
        return false;
    }
    context->port = options.port;
    return true;
}

// With --dir, a relative FILE, -o or --trace is still taken from the folder zvtool was started
// in: said once for each, with the path it stands for, so that no one looks for it in --dir.
void SayWhereRelativePathsAre(const TJobContext& context, const TZvOptions& options,
                              const TJobRequest& asked, TCommandEnd* end) {
    if (options.dir.empty() || AbsolutePath(options.dir) == AbsolutePath(".")) {
        return;
    }
    const struct {
        const char* what;
        const std::string& path;
    } given[] = {{"FILE ", asked.file}, {"-o ", asked.output}, {"--trace ", options.trace}};
    for (const auto& one : given) {
        const bool ledgerName = LooksLikeLedgerName(one.path) && !FileExists(one.path);
        if (!one.path.empty() && !ledgerName && AbsolutePath(one.path) != one.path) {
            Say(context, end,
                Note(std::string(one.what) + one.path + " is " + AbsolutePath(one.path) +
                     ": a relative path is taken from the folder zvtool was started in, not from "
                     "--dir"));
        }
    }
}

// The command line as the lock file names the job: "backup -o b.dat --modules 1-10".
std::string CommandLineText(const TCliRun& cli) {
    std::string text;
    for (int i = 1; i < cli.argc; ++i) {
        if (std::string(cli.argv[i]) != "--json") {
            text += (text.empty() ? "" : " ") + std::string(cli.argv[i]);
        }
    }
    return text;
}

// The port --port names, as the "Comport" of this run (on POSIX a path or an adapter becomes
// the link COM1 in the run folder, and zvtool says so).
int TakePort(const TZvOptions& options, TJobContext* context, TCommandEnd* end) {
    TPortArg name;
    TZvError error;
    if (!ParsePortArg(options.portArg, &name, &error.message)) {
        error.exit = kExitUsage;
        return Fail(*context, end, error);
    }
    std::string note;
    if (!ResolvePortTarget(context->runFolder, name, &context->port, &note, &error)) {
        return Fail(*context, end, error);
    }
    if (!note.empty()) {
        Say(*context, end, Note(note));
    }
    return kExitOk;
}

// The job itself; a restore prints its plan before it sends.
void RunTheJob(const TJobContext& context, const TJobRequest& request, bool json,
               TJobOutcome* outcome) {
    switch (request.job) {
        case TZvJob::kTest:
            RunTestJob(context, request, outcome);
            return;
        case TZvJob::kFetchCentral:
        case TZvJob::kFetchModules:
            RunFetchJob(context, request, outcome);
            return;
        case TZvJob::kSendCentral:
        case TZvJob::kSendModules:
            RunSendJob(context, request, outcome);
            return;
        case TZvJob::kBackup:
            RunBackup(context, request, outcome);
            return;
        case TZvJob::kRestore:
            break;
    }
    TRestorePrepared prepared;
    PlanUnitRestore(context, request, outcome, &prepared);
    if (!json) {
        std::fputs(PlanText(*outcome).c_str(), stdout);
        std::fflush(stdout);
    }
    if (prepared.ready) {
        SendUnitRestore(context, request, prepared, outcome);
    }
}

void PrintOutcome(const TCliRun& cli, const TJobOutcome& outcome) {
    if (cli.options.json) {
        std::printf("%s\n", JobJson(cli.options.row->bit, outcome).c_str());
    } else {
        std::fputs(JobEndText(outcome).c_str(), stdout);
    }
    std::fflush(stdout);
}

// The user's state folder, ledger and git into `context`; a ledger moved is said.
void FindUserFolders(TJobContext* context, const TCancelRequest* cancel, TCommandEnd* end) {
    context->stateFolder = UserFolders().state;
    TCommandEnd found;
    context->ledger = UserLedger(&found);
    for (const TMessage& message : found.messages) {
        Say(*context, end, message);
    }
    context->git = UserGit(&cancel->requested);
}

}  // namespace

int RunJobCommand(const TCliRun& cli) {
    const TZvOptions& options = cli.options;
    if (!options.portList.empty() || !options.unitsFile.empty()) {
        return RunBenchCommand(cli);
    }
    TJobOutcome outcome;
    outcome.command = options.row->name;
    outcome.job = JobName(options.job);
    TCancelRequest cancel;
    TJobView view(StderrIsTerminal());
    TJobContext context;
    context.sink = [&view](const TEvent& event) { view.Show(event); };
    FindUserFolders(&context, &cancel, &outcome.end);
    TJobRequest request = options.job;
    TZvError error;
    if (!ResolveRestoreFile(context, &request, &outcome.end) ||
        !PrepareContext(options, request, &context, &request, &error)) {
        outcome.end.exit =
            outcome.end.exit != 0 ? outcome.end.exit : Fail(context, &outcome.end, error);
        PrintOutcome(cli, outcome);
        return outcome.end.exit;
    }
    SayWhereRelativePathsAre(context, options, options.job, &outcome.end);
    context.runner = ProcessRunner(&cancel);
    context.clock = SystemClock();
    context.cancel = &cancel;
    SetFlagOnInterrupt(&cancel.requested);
    TJobSession session;
    const std::string trace = options.trace.empty() ? "" : AbsolutePath(options.trace);
    int status = BeginJob(&context, request, CommandLineText(cli), trace, &session, &outcome.end);
    const std::string linkBefore = Com1Target(context.runFolder);
    if (status == kExitOk && !options.portArg.empty()) {
        status = TakePort(options, &context, &outcome.end);
    }
    if (status == kExitOk) {
        RunTheJob(context, request, options.json, &outcome);
        if (outcome.end.exit == kExitNotTheSame) {
            PutPortBack(context, linkBefore, &outcome.end);
        }
    } else {
        outcome.end.exit = status;
    }
    EndJob(&session);
    view.Clear();
    PrintOutcome(cli, outcome);
    return outcome.end.exit;
}
