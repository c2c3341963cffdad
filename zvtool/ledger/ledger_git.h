#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "zvtool/ledger/ledger_store.h"

// The git calls of a shared ledger: the system's git run as a program, over a runner that the
// terminal makes from a process (GitProcessRunner) and a test scripts. Every call runs in the
// ledger's folder with git kept from prompting (no terminal prompt, SSH in batch mode with a
// connect time-out), English words, no look above the ledger's folder for a repository, and
// the author and committer user@workstation. Nothing here prints.

// One run of git.
struct TGitCall {
    std::string folder;             // where it runs: the ledger's folder
    std::vector<std::string> args;  // after the program's name
    std::vector<std::pair<std::string, std::string>> environment;  // on top of zvtool's own
    int timeoutMs = 0;  // stopped after this long, and counted as not done
};

struct TGitAnswer {
    bool ran = false;       // git was started and ended by itself in time
    bool timedOut = false;  // it was stopped at the call's time-out
    int status = -1;        // its exit status, when it ran
    std::string output;     // its standard output
    std::string errors;     // its standard error; when it could not be started, why
};

// How the ledger reaches git, and who its commits are by.
struct TGitRunner {
    std::function<TGitAnswer(const TGitCall& call)> run;  // empty: there is no git
    std::string user;                                     // the user zvtool runs as ("" "zvtool")
};

// The oldest git accepted: what zvtool calls needs 2.9 (merge --allow-unrelated-histories,
// core.hooksPath); older than 2.20 is not tried.
constexpr int kOldestGit[3] = {2, 20, 0};
constexpr char kOldestGitText[] = "2.20";

// The remote and branch a shared ledger keeps, and its files that git needs.
constexpr char kLedgerRemote[] = "origin";
constexpr char kLedgerBranch[] = "main";
constexpr char kGitFolderName[] = ".git";
constexpr char kAttributesName[] = ".gitattributes";
// No line-end conversion touches a record file's bytes; each workstation's log lines merge as
// the union of both sides.
constexpr char kLedgerAttributes[] = "* -text\nledger.log merge=union\n";

// The time-outs: a push not done in 20 s counts as offline, as does a fetch before a push is
// tried again; a sync's fetch may carry many entries.
constexpr int kPushTimeoutMs = 20000;
constexpr int kSyncFetchTimeoutMs = 120000;
constexpr int kLocalGitTimeoutMs = 60000;

// "git version 2.39.5" or "git version 2.39.0.windows.1" read: true with "2.39.5" (the first
// three numbers; a missing one is 0) and whether it is kOldestGit or later.
bool ReadGitVersion(const std::string& answer, std::string* version, bool* accepted);

// Why a git run failed, in one line: what it said on standard error less its hints and
// advice, else that it did not start, was stopped or ended with its status.
std::string GitReason(const TGitAnswer& answer);

// Whether a remote names a folder of this machine ("/srv/ledger.git", "..\ledger.git",
// "C:\ledger.git", "\\server\share\ledger.git") rather than a URL ("ssh://...",
// "git://...") or SSH's HOST:PATH.
bool RemoteIsPath(const std::string& remote);

// Whether the ledger in `folder` is shared: it is a git work tree of its own.
bool IsSharedLedger(const std::string& folder);

// Runs git with `args` in the ledger's folder as the header says.
TGitAnswer RunGit(const TLedgerPlace& place, const TGitRunner& git,
                  const std::vector<std::string>& args, int timeoutMs);

// Whether git is there and recent enough: "" and its version, else what to do.
std::string FindGit(const TLedgerPlace& place, const TGitRunner& git, std::string* version);

// Adds `paths` (relative to the ledger, '/' between names) and commits them alone with
// `message`: true, or false and why. No change to commit is no commit and true.
bool CommitLedgerPaths(const TLedgerPlace& place, const TGitRunner& git,
                       const std::vector<std::string>& paths, const std::string& message,
                       std::string* why);

// The remote's URL; "" when none is set.
std::string LedgerRemoteUrl(const TLedgerPlace& place, const TGitRunner& git);

// Fetches the remote's branch and merges it (unrelated histories too: two ledgers shared
// apart): true, or false and why. `reached` tells whether the fetch got through.
bool FetchAndMerge(const TLedgerPlace& place, const TGitRunner& git, int fetchTimeoutMs,
                   bool* reached, std::string* why);

// The commits here that the remote's branch lacks, as the last fetch saw it.
int CommitsAhead(const TLedgerPlace& place, const TGitRunner& git);

// Pushes the branch; a push refused as not fast-forward is tried once more after a fetch and
// merge. True, or false and why (the remote could not be reached in time, or refused).
bool PushLedger(const TLedgerPlace& place, const TGitRunner& git, std::string* why);

// The runner that starts the system's git (the first on the search path) as a process, its
// output in files of `scratchFolder` (zvtool's state folder) while it runs; Windows: without
// a console window. A call is stopped at its time-out, or once `stop` is set.
TGitRunner GitProcessRunner(const std::string& scratchFolder, const std::string& user,
                            const std::atomic<bool>* stop);
