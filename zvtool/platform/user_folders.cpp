#include "zvtool/platform/user_folders.h"

#include <cstdlib>
#include <string>

#include "zvtool/platform/processes.h"

namespace {

bool Given(const char* value) {
    return value != nullptr && value[0] != '\0';
}

// An XDG base folder when it is absolute, else HOME and the folder's default below it.
std::string XdgFolder(const char* xdg, const char* home, const char* below) {
    if (Given(xdg) && xdg[0] == '/') {
        return std::string(xdg) + "/zvtool";
    }
    return Given(home) ? std::string(home) + below + "/zvtool" : "";
}

}  // namespace

TUserFolders UserFoldersFrom(const TUserEnvironment& environment) {
    if (environment.windows) {
        const std::string local = Given(environment.localAppData)
                                      ? std::string(environment.localAppData) + "\\zvtool"
                                      : "";
        return {local, local.empty() ? "" : local + "\\ledger", local};
    }
    return {XdgFolder(environment.xdgStateHome, environment.home, "/.local/state"),
            XdgFolder(environment.xdgDataHome, environment.home, "/.local/share"), ""};
}

std::string WorkstationName() {
    const char* given = std::getenv("ZVTOOL_WORKSTATION");
    return Given(given) ? given : MachineName();
}
