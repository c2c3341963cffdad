#include "zvtool/cli/user_ledger.h"

#include <string>

#include "zvtool/platform/files.h"
#include "zvtool/platform/user_folders.h"

TLedgerPlace UserLedger(TCommandEnd*) {
    return {UserFolders().data, UserFolderVariables(), WorkstationName()};
}

TGitRunner UserGit(const std::atomic<bool>* stop) {
    return GitProcessRunner(UserFolders().state, UserName(), stop);
}

std::string RemoteForGit(const std::string& remote) {
    return RemoteIsPath(remote) ? AbsolutePath(remote) : remote;
}
