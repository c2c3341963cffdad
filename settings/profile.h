#pragma once
#include <cstdint>

// Profile (INI) file access. Windows: the private-profile API, files in the Windows
// directory. POSIX: our own reader and writer with the same rules, files in the
// current directory.

constexpr char kSection[] = "Zorvek PC interface driver";
constexpr char kSettingsFile[] = "zordrive.INI";
constexpr char kStatusFile[] = "zordOUT.INI";

// The integer under `key`, read as GetPrivateProfileIntA reads it; `defaultValue` when
// the file, the section, the key or its value is missing.
std::uint32_t ProfileGetInt(const char* section, const char* key, int defaultValue,
                            const char* file);

// Sets `key` to `value`, creating file, section or key as needed. Failures are ignored.
void ProfileWriteString(const char* section, const char* key, const char* value, const char* file);
