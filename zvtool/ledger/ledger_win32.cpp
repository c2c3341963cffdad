#include <windows.h>

#include <cstdlib>

#include "zvtool/ledger/ledger_store.h"

std::string LedgerFolder() {
    return LedgerFolderFrom(true, nullptr, nullptr, std::getenv("LOCALAPPDATA"));
}

char FolderSeparator() {
    return '\\';
}

bool MakeFolders(const std::string& path) {
    // Each folder from the first below the drive ("C:\") or share on.
    for (std::size_t slash = path.find_first_of("\\/", 3);;
         slash = path.find_first_of("\\/", slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (CreateDirectoryA(part.c_str(), nullptr) == 0 &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            const DWORD attributes = GetFileAttributesA(part.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                return false;
            }
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
