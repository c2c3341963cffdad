#include "zvtool/ledger/ledger_git.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "zvtool/platform/files.h"
#include "zvtool/text_lines.h"

namespace {

constexpr char kVersionWords[] = "git version ";
// Paths a git call names at most: a Windows command line holds 32767 characters.
constexpr std::size_t kPathsACall = 64;
constexpr std::size_t kReasonLines = 2;

// The remote's branch as the last fetch saw it, and the push of ours to it.
const std::string kRemoteBranch =
    std::string("refs/remotes/") + kLedgerRemote + "/" + kLedgerBranch;
const std::string kBranchRef =
    std::string("refs/heads/") + kLedgerBranch + ":refs/heads/" + kLedgerBranch;

bool StartsWith(const std::string& text, const char* start) {
    return text.compare(0, std::string(start).size(), start) == 0;
}

// A line of git's that says nothing of why: advice to a person at a terminal.
bool IsAdvice(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos || StartsWith(line, "hint:") ||
           StartsWith(line, "Please make sure") || StartsWith(line, "and the repository exists");
}

// The first lines of `text` that are no advice, on one line, without git's "fatal: ".
std::string FirstLines(const std::string& text) {
    std::string reason;
    std::size_t taken = 0;
    for (const std::string& line : SplitLines(text)) {
        if (IsAdvice(line) || taken == kReasonLines) {
            continue;
        }
        std::string said = line;
        for (const char* prefix : {"fatal: ", "error: "}) {
            said = StartsWith(said, prefix) ? said.substr(std::string(prefix).size()) : said;
        }
        reason += (reason.empty() ? "" : " ") + said;
        ++taken;
    }
    return reason;
}

bool Succeeded(const TGitAnswer& answer) {
    return answer.ran && answer.status == 0;
}

// A push refused because the remote holds commits this branch lacks, or took another push to
// the branch at that very moment (its ref was locked).
bool RefusedAsBehind(const TGitAnswer& answer) {
    for (const std::string& line : SplitLines(answer.output)) {
        if (StartsWith(line, "!") && (line.find("(fetch first)") != std::string::npos ||
                                      line.find("(non-fast-forward)") != std::string::npos ||
                                      line.find("(failed to update ref)") != std::string::npos ||
                                      line.find("lock") != std::string::npos)) {
            return true;
        }
    }
    return false;
}

bool HasCommit(const TLedgerPlace& place, const TGitRunner& git, const std::string& ref) {
    return Succeeded(
        RunGit(place, git, {"rev-parse", "-q", "--verify", ref + "^{commit}"}, kLocalGitTimeoutMs));
}

TGitAnswer Push(const TLedgerPlace& place, const TGitRunner& git) {
    return RunGit(place, git, {"push", "--porcelain", kLedgerRemote, kBranchRef}, kPushTimeoutMs);
}

std::string PushTrouble(const TGitAnswer& answer) {
    return answer.timedOut
               ? "the push was not done in " + std::to_string(kPushTimeoutMs / 1000) + " s"
               : GitReason(answer);
}

}  // namespace

bool ReadGitVersion(const std::string& answer, std::string* version, bool* accepted) {
    const std::size_t at = answer.find(kVersionWords);
    if (at == std::string::npos) {
        return false;
    }
    std::size_t next = at + sizeof kVersionWords - 1;
    int numbers[3] = {0, 0, 0};
    std::string text;
    for (int i = 0; i < 3; ++i) {
        const std::size_t end = answer.find_first_not_of("0123456789", next);
        const std::string digits = answer.substr(next, end - next);
        if (digits.empty() || digits.size() > 6) {
            if (i == 0) {
                return false;
            }
            break;
        }
        numbers[i] = std::atoi(digits.c_str());
        text += (i == 0 ? "" : ".") + digits;
        if (end == std::string::npos || answer[end] != '.') {
            break;
        }
        next = end + 1;
    }
    *version = text;
    *accepted = true;
    for (int i = 0; i < 3; ++i) {
        if (numbers[i] != kOldestGit[i]) {
            *accepted = numbers[i] > kOldestGit[i];
            break;
        }
    }
    return true;
}

std::string GitReason(const TGitAnswer& answer) {
    if (answer.timedOut) {
        return "git did not finish in time and was stopped";
    }
    if (!answer.ran) {
        return answer.errors;
    }
    // What went wrong is on standard error; a merge says its conflicts on standard output.
    const std::string reason = FirstLines(answer.errors);
    const std::string said = reason.empty() ? FirstLines(answer.output) : reason;
    return said.empty() ? "git ended with status " + std::to_string(answer.status) : said;
}

bool RemoteIsPath(const std::string& remote) {
    if (remote.find("://") != std::string::npos) {
        return false;
    }
    const std::size_t colon = remote.find(':');
    const std::size_t separator = remote.find_first_of("/\\");
    // A drive letter, or a colon after the first separator: a path; before it: HOST:PATH.
    return colon == std::string::npos || colon == 1 || separator < colon;
}

bool IsSharedLedger(const std::string& folder) {
    return !folder.empty() && IsFolder(JoinPath(folder, kGitFolderName));
}

TGitAnswer RunGit(const TLedgerPlace& place, const TGitRunner& git,
                  const std::vector<std::string>& args, int timeoutMs) {
    if (!git.run) {
        TGitAnswer none;
        none.errors = "there is no git to run";
        return none;
    }
    const std::string user = git.user.empty() ? "zvtool" : git.user;
    const std::string email = user + "@" + WorkstationWord(place.workstation);
    TGitCall call;
    call.folder = place.folder;
    // The ledger's own hooks folder, whatever the user's configuration names: a hook there is
    // the workshop's choice, one for all of the user's repositories is not.
    call.args = {"-c", "core.hooksPath=.git/hooks", "-c", "commit.gpgSign=false",
                 "-c", "core.autocrlf=false"};
    call.args.insert(call.args.end(), args.begin(), args.end());
    call.environment = {{"GIT_TERMINAL_PROMPT", "0"},
                        {"GIT_ASKPASS", ""},
                        {"GIT_SSH_COMMAND", "ssh -o BatchMode=yes -o ConnectTimeout=10"},
                        {"GIT_CEILING_DIRECTORIES", FolderOf(place.folder)},
                        {"LC_ALL", "C"},
                        {"GIT_AUTHOR_NAME", user},
                        {"GIT_AUTHOR_EMAIL", email},
                        {"GIT_COMMITTER_NAME", user},
                        {"GIT_COMMITTER_EMAIL", email}};
    call.timeoutMs = timeoutMs;
    return git.run(call);
}

std::string FindGit(const TLedgerPlace& place, const TGitRunner& git, std::string* version) {
    const std::string install = "install git " + std::string(kOldestGitText) +
                                " or later (Debian: apt install git; Windows: put git.exe on the "
                                "search path)";
    const TGitAnswer answer = RunGit(place, git, {"--version"}, kLocalGitTimeoutMs);
    bool accepted = false;
    if (!Succeeded(answer) || !ReadGitVersion(answer.output, version, &accepted)) {
        return "a shared ledger needs git, and " +
               (answer.ran ? "git --version says no version" : GitReason(answer)) + ": " + install;
    }
    return accepted ? ""
                    : "a shared ledger needs git " + std::string(kOldestGitText) +
                          " or later, and this git is " + *version + ": " + install;
}

bool CommitLedgerPaths(const TLedgerPlace& place, const TGitRunner& git,
                       const std::vector<std::string>& paths, const std::string& message,
                       std::string* why) {
    for (std::size_t first = 0; first < paths.size(); first += kPathsACall) {
        std::vector<std::string> add = {"add", "--"};
        for (std::size_t i = first; i < paths.size() && i < first + kPathsACall; ++i) {
            add.push_back(paths[i]);
        }
        const TGitAnswer added = RunGit(place, git, add, kLocalGitTimeoutMs);
        if (!Succeeded(added)) {
            *why = GitReason(added);
            return false;
        }
    }
    // A few paths are committed alone, whatever else someone staged by hand; many (a ledger
    // shared for the first time) as they are staged, which is then only what was just added.
    std::vector<std::string> only;
    if (paths.size() <= kPathsACall) {
        only.push_back("--");
        only.insert(only.end(), paths.begin(), paths.end());
    }
    std::vector<std::string> staged = {"diff", "--cached", "--quiet"};
    staged.insert(staged.end(), only.begin(), only.end());
    const TGitAnswer changes = RunGit(place, git, staged, kLocalGitTimeoutMs);
    if (Succeeded(changes)) {
        return true;
    }
    std::vector<std::string> commit = {"commit", "-q", "-m", message};
    commit.insert(commit.end(), only.begin(), only.end());
    const TGitAnswer committed = RunGit(place, git, commit, kLocalGitTimeoutMs);
    if (!Succeeded(committed)) {
        *why = GitReason(committed);
        return false;
    }
    return true;
}

std::string LedgerRemoteUrl(const TLedgerPlace& place, const TGitRunner& git) {
    const TGitAnswer answer =
        RunGit(place, git, {"config", "--get", "remote.origin.url"}, kLocalGitTimeoutMs);
    const std::vector<std::string> lines = SplitLines(answer.output);
    return Succeeded(answer) && !lines.empty() ? lines[0] : "";
}

bool FetchAndMerge(const TLedgerPlace& place, const TGitRunner& git, int fetchTimeoutMs,
                   bool* reached, std::string* why) {
    const TGitAnswer fetched = RunGit(place, git, {"fetch", "-q", kLedgerRemote}, fetchTimeoutMs);
    *reached = Succeeded(fetched);
    if (!*reached) {
        *why = fetched.timedOut
                   ? "the fetch was not done in " + std::to_string(fetchTimeoutMs / 1000) + " s"
                   : GitReason(fetched);
        return false;
    }
    if (!HasCommit(place, git, kRemoteBranch)) {
        return true;
    }
    // A ledger with no commit of its own (shared empty) takes the remote's as it is.
    const std::vector<std::string> merge =
        HasCommit(place, git, "HEAD")
            ? std::vector<std::string>{"merge",
                                       "-q",
                                       "--ff",
                                       "--no-edit",
                                       "--allow-unrelated-histories",
                                       "-m",
                                       "zvtool: the others' entries merged on " +
                                           WorkstationWord(place.workstation),
                                       kRemoteBranch}
            : std::vector<std::string>{"reset", "-q", "--hard", kRemoteBranch};
    const TGitAnswer merged = RunGit(place, git, merge, kLocalGitTimeoutMs);
    if (Succeeded(merged)) {
        return true;
    }
    *why = "the others' entries do not merge with these: " + GitReason(merged);
    RunGit(place, git, {"merge", "--abort"}, kLocalGitTimeoutMs);
    return false;
}

int CommitsAhead(const TLedgerPlace& place, const TGitRunner& git) {
    if (!HasCommit(place, git, "HEAD")) {
        return 0;
    }
    const std::string range =
        HasCommit(place, git, kRemoteBranch) ? kRemoteBranch + "..HEAD" : "HEAD";
    const TGitAnswer answer =
        RunGit(place, git, {"rev-list", "--count", range}, kLocalGitTimeoutMs);
    return Succeeded(answer) ? std::atoi(answer.output.c_str()) : 0;
}

bool PushLedger(const TLedgerPlace& place, const TGitRunner& git, std::string* why) {
    TGitAnswer pushed = Push(place, git);
    if (Succeeded(pushed)) {
        return true;
    }
    if (!RefusedAsBehind(pushed)) {
        *why = PushTrouble(pushed);
        return false;
    }
    bool reached = false;
    if (!FetchAndMerge(place, git, kPushTimeoutMs, &reached, why)) {
        return false;
    }
    pushed = Push(place, git);
    if (Succeeded(pushed)) {
        return true;
    }
    *why =
        RefusedAsBehind(pushed) ? "another workstation pushed first, twice" : PushTrouble(pushed);
    return false;
}
