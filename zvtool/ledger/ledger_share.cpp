#include "zvtool/ledger/ledger_share.h"

#include <map>
#include <set>
#include <string>
#include <vector>

#include "zvtool/exit_codes.h"
#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"

namespace {

constexpr char kLockName[] = "zvtool-ledger.lock";
// A bench's units wait their turn: each commit and push takes at most about 40 s (a push,
// a fetch and a second push), so three units fit.
constexpr int kLockWaitMs = 120000;
constexpr int kLockLookMs = 100;
constexpr std::size_t kMostAttributesBytes = 64 * 1024;

// The ledger's lock, given up when it goes out of scope.
struct TLedgerLock {
    TFileLock lock;
    bool taken = false;
    ~TLedgerLock() {
        if (taken) {
            ReleaseFileLock(&lock);
        }
    }
};

// Waits for the ledger's lock (in its .git folder, which git leaves alone): true, or false
// and why.
bool TakeLedgerLock(const std::string& folder, TLedgerLock* lock, std::string* why) {
    const std::string path = JoinPath(JoinPath(folder, kGitFolderName), kLockName);
    const std::string text = "zvtool process " + std::to_string(ThisProcessId()) + "\n";
    for (int waited = 0;; waited += kLockLookMs) {
        std::string detail;
        const TLockResult result = TakeFileLock(path, text, &lock->lock, &detail, false);
        if (result == TLockResult::kTaken) {
            lock->taken = true;
            return true;
        }
        if (result == TLockResult::kFailed || waited >= kLockWaitMs) {
            *why = result == TLockResult::kFailed
                       ? "cannot take the lock " + path + ": " + detail
                       : "the lock " + path + " is still held, after " +
                             std::to_string(kLockWaitMs / 1000) + " s, by " + detail;
            return false;
        }
        SleepMs(kLockLookMs);
    }
}

bool Succeeded(const TGitAnswer& answer) {
    return answer.ran && answer.status == 0;
}

int EntryCount(const TLedgerPlace& place) {
    TLedgerLog log;
    std::string error;
    ReadLedger(place, &log, &error);
    return static_cast<int>(log.entries.size());
}

// The files git keeps of the ledger, '/' between names.
std::set<std::string> TrackedFiles(const TLedgerPlace& place, const TGitRunner& git) {
    const TGitAnswer answer = RunGit(place, git, {"ls-files", "-z"}, kLocalGitTimeoutMs);
    std::set<std::string> files;
    std::size_t start = 0;
    for (std::size_t end; (end = answer.output.find('\0', start)) != std::string::npos;
         start = end + 1) {
        files.insert(answer.output.substr(start, end - start));
    }
    return files;
}

// Commits the attributes, the log and every entry's record file that git does not keep yet
// (a copy git keeps is never committed again: an altered one stays as it was committed).
bool CommitPending(const TLedgerPlace& place, const TGitRunner& git, const std::string& message,
                   std::string* why) {
    const std::string attributes = JoinPath(place.folder, kAttributesName);
    if (!FileExists(attributes) && !WriteWholeFile(attributes, kLedgerAttributes, why)) {
        *why = "cannot write " + attributes + ": " + *why;
        return false;
    }
    TLedgerLog log;
    if (!ReadLedger(place, &log, why)) {
        return false;
    }
    const std::set<std::string> tracked = TrackedFiles(place, git);
    std::vector<std::string> paths;
    if (tracked.count(kAttributesName) == 0) {
        paths.push_back(kAttributesName);
    }
    if (FileExists(JoinPath(place.folder, kLedgerLogName))) {
        paths.push_back(kLedgerLogName);
    }
    for (const TLedgerEntry& entry : log.entries) {
        if (!entry.file.empty() && tracked.count(entry.file) == 0 &&
            FileExists(LedgerFilePath(place.folder, entry))) {
            paths.push_back(entry.file);
        }
    }
    return CommitLedgerPaths(place, git, paths, message, why);
}

// The sync's work once the lock is held: what is pending committed, the others' entries
// merged, this workstation's pushed.
void SyncUnderLock(const TLedgerPlace& place, const TGitRunner& git, bool commitFirst,
                   TLedgerShareResult* result) {
    const int before = EntryCount(place);
    std::string why;
    const std::string workstation = WorkstationWord(place.workstation);
    if (commitFirst &&
        !CommitPending(place, git, "zvtool ledger sync: entries of " + workstation, &why)) {
        result->end.Fail({kExitCannotCreate, "cannot commit the ledger's entries: " + why, ""});
        return;
    }
    bool reached = false;
    const bool merged = FetchAndMerge(place, git, kSyncFetchTimeoutMs, &reached, &why);
    result->entries = EntryCount(place);
    result->waiting = CommitsAhead(place, git);
    const std::string waiting = "; " + std::to_string(result->waiting) +
                                (result->waiting == 1 ? " commit waits" : " commits wait") +
                                " here for the next sync";
    if (!merged) {
        result->end.Fail({reached ? kExitCannotCreate : kExitUnavailable,
                          (reached ? why : "cannot reach " + result->remote + ": " + why) + waiting,
                          ""});
        return;
    }
    result->merged = result->entries - before;
    const int ahead = result->waiting;
    if (ahead > 0 && !PushLedger(place, git, &why)) {
        result->entries = EntryCount(place);
        result->merged = result->entries - before;
        result->end.Fail(
            {kExitUnavailable, result->remote + " did not take the push: " + why + waiting, ""});
        return;
    }
    result->pushed = ahead;
    result->waiting = 0;
    result->entries = EntryCount(place);
    result->merged = result->entries - before;
}

// git found, the ledger's remote read: false with the failure said into the result.
bool Prepared(const TLedgerPlace& place, const TGitRunner& git, TLedgerShareResult* result) {
    const std::string missing = FindGit(place, git, &result->gitVersion);
    if (!missing.empty()) {
        result->end.Fail({kExitUnavailable, missing + "; the ledger stays as it is", ""});
        return false;
    }
    return true;
}

// git init with the remote and the branch that tracks it; a half-made one is made whole.
bool MakeWorkTree(const TLedgerPlace& place, const TGitRunner& git, const std::string& remote,
                  std::string* why) {
    const std::string merge = std::string("refs/heads/") + kLedgerBranch;
    const std::vector<std::vector<std::string>> calls = {
        {"init", "-q"},
        {"symbolic-ref", "HEAD", merge},
        {"remote", "add", kLedgerRemote, remote},
        {"config", std::string("branch.") + kLedgerBranch + ".remote", kLedgerRemote},
        {"config", std::string("branch.") + kLedgerBranch + ".merge", merge}};
    for (const std::vector<std::string>& call : calls) {
        const TGitAnswer answer = RunGit(place, git, call, kLocalGitTimeoutMs);
        if (!Succeeded(answer)) {
            *why = "cannot make the ledger a git work tree (git " + call[0] +
                   "): " + GitReason(answer);
            return false;
        }
    }
    return true;
}

// Before a share changes anything: the ledger's folder there, git found, the ledger not
// shared with another remote already (`had`: the remote it has), and the remote reached
// (`heads`: its branch, "" when it has none yet). False with the failure said.
bool ReachRemote(const TLedgerPlace& place, const TGitRunner& git, const std::string& remote,
                 TLedgerShareResult* result, std::string* had, TGitAnswer* heads) {
    std::string why;
    if (place.folder.empty() || !MakeFolders(place.folder, TFolderMode::kPrivate, &why)) {
        result->end.Fail({kExitCannotCreate,
                          place.folder.empty() ? "no ledger folder: " + place.missing
                                               : "cannot make " + place.folder + ": " + why,
                          ""});
        return false;
    }
    if (!Prepared(place, git, result)) {
        return false;
    }
    *had = IsSharedLedger(place.folder) ? LedgerRemoteUrl(place, git) : "";
    if (!had->empty() && *had != remote) {
        result->end.Fail({kExitUsage,
                          "the ledger (" + place.folder + ") is shared with " + *had +
                              " already; `git -C " + place.folder +
                              " remote set-url origin URL` moves it to another remote",
                          ""});
        return false;
    }
    *heads = RunGit(place, git, {"ls-remote", remote, std::string("refs/heads/") + kLedgerBranch},
                    kPushTimeoutMs);
    if (!Succeeded(*heads)) {
        result->end.Fail(
            {kExitUnavailable,
             "cannot reach " + remote + ": " + GitReason(*heads) + "; the ledger stays as it is",
             ""});
        return false;
    }
    result->remote = remote;
    return true;
}

// Whether the ledger's log is missing or empty.
bool LogIsEmpty(const std::string& folder) {
    std::string text;
    std::string unread;
    const TReadResult read = ReadWholeFile(JoinPath(folder, kLedgerLogName), 1, &text, &unread);
    return read == TReadResult::kMissing || (read == TReadResult::kRead && text.empty());
}

}  // namespace

std::string AttributesTrouble(const std::string& attributes) {
    std::set<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; start < attributes.size(); start = end + 1) {
        end = attributes.find('\n', start);
        end = end == std::string::npos ? attributes.size() : end;
        std::string line = attributes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.insert(line);
    }
    const std::string wanted = kLedgerAttributes;
    for (std::size_t at = 0, end; at < wanted.size(); at = end + 1) {
        end = wanted.find('\n', at);
        const std::string line = wanted.substr(at, end - at);
        if (lines.count(line) == 0) {
            return std::string(kAttributesName) + " lacks the line \"" + line +
                   "\": without it git may change the ledger's bytes or fail to merge its log";
        }
    }
    return "";
}

std::vector<std::string> MergedLedgerProblems(const std::string& folder, const TLedgerLog& log) {
    std::vector<std::string> problems;
    std::map<std::string, int> named;
    for (const TLedgerEntry& entry : log.entries) {
        const auto first = named.emplace(entry.id, entry.line);
        if (!entry.id.empty() && !first.second) {
            problems.push_back("lines " + std::to_string(first.first->second) + " and " +
                               std::to_string(entry.line) + " name one entry, " + entry.id +
                               ": two workstations of one name (ZVTOOL_WORKSTATION gives each "
                               "its own), or one ledger merged twice");
        }
    }
    if (!IsSharedLedger(folder)) {
        return problems;
    }
    const std::string path = JoinPath(folder, kAttributesName);
    std::string attributes;
    std::string why;
    if (ReadWholeFile(path, kMostAttributesBytes, &attributes, &why) == TReadResult::kFailed) {
        problems.push_back("cannot read " + path + ": " + why);
    } else if (!AttributesTrouble(attributes).empty()) {
        problems.push_back(path + ": " + AttributesTrouble(attributes));
    }
    return problems;
}

TLedgerShareResult SyncLedger(const TLedgerPlace& place, const TGitRunner& git) {
    TLedgerShareResult result;
    result.folder = place.folder;
    if (!IsSharedLedger(place.folder)) {
        result.end.Fail({kExitUnavailable,
                         "the ledger (" + place.folder +
                             ") is not shared: `zvtool ledger share REMOTE` shares it",
                         ""});
        return result;
    }
    if (!Prepared(place, git, &result)) {
        return result;
    }
    result.remote = LedgerRemoteUrl(place, git);
    TLedgerLock lock;
    std::string why;
    if (!TakeLedgerLock(place.folder, &lock, &why)) {
        result.end.Fail({kExitLocked, why, ""});
        return result;
    }
    SyncUnderLock(place, git, true, &result);
    return result;
}

TLedgerShareResult ShareLedger(const TLedgerPlace& place, const TGitRunner& git,
                               const std::string& remote) {
    TLedgerShareResult result;
    result.folder = place.folder;
    std::string had;
    TGitAnswer heads;
    if (!ReachRemote(place, git, remote, &result, &had, &heads)) {
        return result;
    }
    std::string why;
    if (had.empty() && !MakeWorkTree(place, git, remote, &why)) {
        result.end.Fail({kExitCannotCreate, why, ""});
        return result;
    }
    TLedgerLock lock;
    if (!TakeLedgerLock(place.folder, &lock, &why)) {
        result.end.Fail({kExitLocked, why, ""});
        return result;
    }
    // An empty ledger takes the remote's entries as they are; one with entries (or lines
    // that do not read) commits them first, and the sync merges the two.
    const bool commit = !LogIsEmpty(place.folder) || heads.output.empty();
    if (commit &&
        !CommitPending(place, git,
                       "zvtool ledger share: the entries of " + WorkstationWord(place.workstation),
                       &why)) {
        result.end.Fail({kExitCannotCreate, "cannot commit the ledger's entries: " + why, ""});
        return result;
    }
    SyncUnderLock(place, git, false, &result);
    return result;
}

TZvError KeepAndShare(const TLedgerPlace& place, const TGitRunner& git, const TKeepRequest& request,
                      TLedgerEntry* kept, std::vector<TMessage>* said) {
    if (!IsSharedLedger(place.folder)) {
        return KeepInLedger(place, request, kept);
    }
    TLedgerLock lock;
    std::string why;
    const bool locked = TakeLedgerLock(place.folder, &lock, &why);
    const TZvError error = KeepInLedger(place, request, kept);
    if (error.exit != kExitOk) {
        return error;
    }
    const std::string later = "; `zvtool ledger sync` commits and pushes it";
    if (!locked) {
        said->push_back(
            Warning("the entry is kept in the shared ledger but not committed: " + why + later));
        return error;
    }
    if (!CommitLedgerPaths(place, git, {kLedgerLogName, kept->file}, FormatLedgerLine(*kept),
                           &why)) {
        said->push_back(
            Warning("the entry is kept in the shared ledger but git could not commit "
                    "it (" +
                    why + ")" + later));
        return error;
    }
    const std::string remote = LedgerRemoteUrl(place, git);
    if (!PushLedger(place, git, &why)) {
        said->push_back(Warning("not pushed to " + remote + " (" + why +
                                "): the entry is committed here, and `zvtool ledger sync` "
                                "pushes it"));
        return error;
    }
    said->push_back(Info("committed and pushed to " + remote));
    return error;
}
