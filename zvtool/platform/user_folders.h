#pragma once
#include <string>

// zvtool's per-user folders: where its own state goes (the session traces, on Windows the
// run lock) and where its data goes (the ledger). The rule is a pure function of the
// environment's values; UserFolders() reads them (user_folders_posix.cpp, _win32.cpp).

struct TUserFolders {
    std::string state;  // "" when the environment names none
    std::string data;   // the ledger
    // Where zvtool kept the ledger before, to move its entries from once; "" nowhere.
    std::string formerData;
};

// The values the rule reads; nullptr or "" for a variable that is not set.
struct TUserEnvironment {
    bool windows = false;
    const char* xdgStateHome = nullptr;
    const char* xdgDataHome = nullptr;
    const char* home = nullptr;
    const char* localAppData = nullptr;
};

// POSIX: state $XDG_STATE_HOME/zvtool, else ~/.local/state/zvtool; data $XDG_DATA_HOME/zvtool,
// else ~/.local/share/zvtool (a relative XDG path is ignored, as the base directory rules have
// it). Windows: state %LOCALAPPDATA%\zvtool, data %LOCALAPPDATA%\zvtool\ledger, apart from
// zvtool's logs and lock (a shared ledger is a git work tree), formerly the state folder.
TUserFolders UserFoldersFrom(const TUserEnvironment& environment);

// This user's folders, from this process's environment.
TUserFolders UserFolders();

// What to say when a folder is "": which variables name it on this system.
const char* UserFolderVariables();

// The user's login name, for the author of a shared ledger's commits; "" when the environment
// does not tell it.
std::string UserName();

// This workstation's name for the entries it makes: ZVTOOL_WORKSTATION when set (two benches
// on one machine, or a name a person reads better than the machine's), else the machine's.
std::string WorkstationName();
