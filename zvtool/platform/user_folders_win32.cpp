#include <cstdlib>
#include <string>

#include "zvtool/platform/user_folders.h"

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

TUserFolders UserFolders() {
    return UserFoldersFrom({true, nullptr, nullptr, nullptr, std::getenv("LOCALAPPDATA")});
}

const char* UserFolderVariables() {
    return "LOCALAPPDATA is not set";
}

std::string UserName() {
    return Variable("USERNAME");
}
