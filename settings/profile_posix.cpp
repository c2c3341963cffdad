// Placeholder until the POSIX profile layer lands: every key reads as its default.
#include "settings/profile.h"

std::uint32_t ProfileGetInt(const char*, const char*, int defaultValue, const char*) {
    return static_cast<std::uint32_t>(defaultValue);
}
void ProfileWriteString(const char*, const char*, const char*, const char*) {}
