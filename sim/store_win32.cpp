#include <windows.h>

#include "sim/store.h"

// rename() on Windows refuses to replace an existing file; MoveFileEx does it in one step.
int StoreReplace(const std::string& temporary, const std::string& path) {
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    return MoveFileExA(temporary.c_str(), path.c_str(), flags) ? 0 : 1;
}
