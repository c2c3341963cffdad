#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/ledger/ledger_git.h"
#include "zvtool/ledger/ledger_store.h"

// A ledger a workshop shares: a git work tree with a remote, which each workstation's
// entries reach as they are kept (`zvtool ledger share REMOTE`, `zvtool ledger sync`, and the
// commit and push of each new entry). Every write of a shared ledger (the entry's file and
// log line, the commit, the push, a merge) holds the ledger's lock, so that the units of a
// bench commit one at a time. A ledger that is not shared never runs git.

// What `ledger share` and `ledger sync` came to.
struct TLedgerShareResult {
    std::string folder;
    std::string remote;      // the remote; "" when the ledger is not shared
    std::string gitVersion;  // "2.39.5"; "" when git was not found
    int entries = 0;         // the entries the ledger holds at the end
    int merged = -1;         // entries that came from the remote; -1 when it was not reached
    int pushed = -1;         // commits the remote took; -1 when the push failed or was not tried
    int waiting = 0;         // commits here that the remote still lacks
    TCommandEnd end;
};

// Makes the ledger a git work tree with `remote` and syncs it: the remote's entries merged
// with these (an empty ledger takes the remote's as they are), these pushed. A remote that
// cannot be reached, or no git, leaves the ledger as it is.
TLedgerShareResult ShareLedger(const TLedgerPlace& place, const TGitRunner& git,
                               const std::string& remote);

// Commits what is not yet committed (an entry kept while git failed), fetches and merges the
// others' entries and pushes this workstation's.
TLedgerShareResult SyncLedger(const TLedgerPlace& place, const TGitRunner& git);

// KeepInLedger, and in a shared ledger under its lock the entry's record file and log line
// committed (the message its line) and pushed. A commit or push that fails is no error: the
// entry is kept, what became of it goes into `said` in one line, and the next sync finishes.
TZvError KeepAndShare(const TLedgerPlace& place, const TGitRunner& git, const TKeepRequest& request,
                      TLedgerEntry* kept, std::vector<TMessage>* said);

// What `ledger check` finds wrong with a merged ledger besides its lines and copies: two
// lines of one entry name (workstations of one name), and in a shared ledger attributes that
// let git change its bytes or not merge its log. Each in words.
std::vector<std::string> MergedLedgerProblems(const std::string& folder, const TLedgerLog& log);

// What is wrong with a shared ledger's committed attributes ("" nothing): each line of
// kLedgerAttributes must be one of its lines.
std::string AttributesTrouble(const std::string& attributes);
