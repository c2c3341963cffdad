// The profile files on Windows: the private-profile API, which looks for and creates files
// named without a directory in the Windows directory.
#include <windows.h>

#include "settings/profile.h"

std::uint32_t ProfileGetInt(const char* section, const char* key, int defaultValue,
                            const char* file) {
    return GetPrivateProfileIntA(section, key, defaultValue, file);
}

void ProfileWriteString(const char* section, const char* key, const char* value, const char* file) {
    WritePrivateProfileStringA(section, key, value, file);
}
