#include "zvtool/ledger/user_ledger.h"

#include <string>

#include "zvtool/ledger/ledger_move.h"
#include "zvtool/platform/files.h"
#include "zvtool/platform/user_folders.h"

TLedgerPlace UserLedger(TCommandEnd* end) {
    const TUserFolders folders = UserFolders();
    const std::string workstation = WorkstationName();
    int moved = 0;
    std::string why;
    if (!MoveLedgerOnce(folders.formerData, folders.data, &moved, &why)) {
        end->Say(Warning("the ledger stays in " + folders.formerData + " for now: " + why));
        return {folders.formerData, UserFolderVariables(), workstation};
    }
    if (moved >= 0) {
        end->Say(Note("the ledger moved from " + folders.formerData + " to " + folders.data + " (" +
                      std::to_string(moved) + " copies), where zvtool keeps it now"));
    }
    return {folders.data, UserFolderVariables(), workstation};
}

TGitRunner UserGit(const std::atomic<bool>* stop) {
    return GitProcessRunner(UserFolders().state, UserName(), stop);
}

std::string RemoteForGit(const std::string& remote) {
    return RemoteIsPath(remote) ? AbsolutePath(remote) : remote;
}
