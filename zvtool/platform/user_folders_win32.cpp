#include <cstdlib>
#include <string>

#include "zvtool/platform/user_folders.h"

TUserFolders UserFolders() {
    return UserFoldersFrom({true, nullptr, nullptr, nullptr, std::getenv("LOCALAPPDATA")});
}

const char* UserFolderVariables() {
    return "LOCALAPPDATA is not set";
}

std::string UserName() {
    const char* user = std::getenv("USERNAME");
    return user != nullptr ? user : "";
}
