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
    return UserFoldersFrom({false, std::getenv("XDG_STATE_HOME"), std::getenv("XDG_DATA_HOME"),
                            std::getenv("HOME"), nullptr});
}

const char* UserFolderVariables() {
    return "neither XDG_DATA_HOME nor HOME is set";
}

std::string UserName() {
    const std::string user = Variable("USER");
    return user.empty() ? Variable("LOGNAME") : user;
}
