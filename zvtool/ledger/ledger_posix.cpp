#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "zvtool/ledger/ledger_store.h"

std::string LedgerFolder() {
    return LedgerFolderFrom(false, std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), nullptr);
}

char FolderSeparator() {
    return '/';
}

bool MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        struct stat status {};
        if (stat(part.c_str(), &status) != 0 &&
            (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}
