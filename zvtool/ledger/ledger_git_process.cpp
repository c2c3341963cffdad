// The shared ledger's git as a process: started through the platform room, its standard
// output and error in files of zvtool's state folder, read once it has ended.
#include <atomic>
#include <string>

#include "zvtool/ledger/ledger_git.h"
#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"

namespace {

// git's answers are a few lines; a far larger one is cut here, never read into memory whole.
constexpr std::size_t kMostAnswerBytes = 64u * 1024 * 1024;

// The file's text, and the file gone.
std::string Collect(const std::string& path) {
    std::string text;
    std::string error;
    ReadWholeFile(path, kMostAnswerBytes, &text, &error);
    RemoveFile(path);
    return text;
}

TGitAnswer RunOnce(const std::string& program, const std::string& scratchFolder,
                   const std::atomic<bool>* stop, const TGitCall& call) {
    TGitAnswer answer;
    std::string error;
    if (program.empty()) {
        answer.errors = "there is no git on the search path";
        return answer;
    }
    if (scratchFolder.empty() || !MakeFolders(scratchFolder, TFolderMode::kPrivate, &error)) {
        answer.errors = "no folder for git's output: " +
                        (scratchFolder.empty() ? std::string("zvtool has no state folder") : error);
        return answer;
    }
    const std::string base = JoinPath(scratchFolder, "git-" + std::to_string(ThisProcessId()));
    TSpawn spawn;
    spawn.argv = {program};
    spawn.argv.insert(spawn.argv.end(), call.args.begin(), call.args.end());
    spawn.folder = call.folder;
    spawn.environment = call.environment;
    spawn.outputFile = base + ".out";
    spawn.errorFile = base + ".err";
    spawn.noWindow = true;
    TProcess process;
    if (!SpawnProcess(spawn, &process, &error)) {
        answer.errors = "cannot start " + program + ": " + error;
        RemoveFile(spawn.outputFile);
        RemoveFile(spawn.errorFile);
        return answer;
    }
    int status = -1;
    if (WaitProcess(&process, call.timeoutMs, stop, &status, nullptr)) {
        answer.ran = true;
        answer.status = status;
    } else {
        StopProcess(&process);
        answer.timedOut = true;
    }
    answer.output = Collect(spawn.outputFile);
    answer.errors = Collect(spawn.errorFile);
    return answer;
}

}  // namespace

TGitRunner GitProcessRunner(const std::string& scratchFolder, const std::string& user,
                            const std::atomic<bool>* stop) {
    TGitRunner runner;
    runner.user = user;
    const std::string program = FindOnSearchPath("git");
    runner.run = [program, scratchFolder, stop](const TGitCall& call) {
        return RunOnce(program, scratchFolder, stop, call);
    };
    return runner;
}
