#pragma once
#include <atomic>

#include "zvtool/error.h"
#include "zvtool/ledger/ledger_git.h"
#include "zvtool/ledger/ledger_store.h"

// The user's ledger as every command finds it: its folder (on Windows the entries of the
// folder zvtool kept it in before moved there first, once: said into `end`) and this
// workstation's name.
TLedgerPlace UserLedger(TCommandEnd* end);

// The system's git for a shared ledger, its output in zvtool's state folder; a call ends
// early once `stop` is set.
TGitRunner UserGit(const std::atomic<bool>* stop);

// REMOTE as git is to be given it: a path (no URL, no HOST:PATH) made absolute, since git runs
// in the ledger's folder; else as it is.
std::string RemoteForGit(const std::string& remote);
