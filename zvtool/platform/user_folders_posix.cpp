#include <cstdlib>

#include "zvtool/platform/user_folders.h"

TUserFolders UserFolders() {
    return UserFoldersFrom({false, std::getenv("XDG_STATE_HOME"), std::getenv("XDG_DATA_HOME"),
                            std::getenv("HOME"), nullptr});
}

const char* UserFolderVariables() {
    return "neither XDG_DATA_HOME nor HOME is set";
}
