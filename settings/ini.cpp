#include "settings/ini.h"

#include <cstdio>

#include "settings/profile.h"

namespace {

// Any non-zero value is 1.
int ReadFlag(const char* key, int defaultValue) {
    return ProfileGetInt(kSection, key, defaultValue, kSettingsFile) != 0 ? 1 : 0;
}

// A module number or count: anything outside 1..200, taken as a signed 32-bit number, is 1.
std::uint8_t ReadNumber1To200(const char* key) {
    const auto value = static_cast<std::int32_t>(ProfileGetInt(kSection, key, 1, kSettingsFile));
    if (value < 1 || value > 200) {
        return 1;
    }
    return static_cast<std::uint8_t>(value);
}

void WriteStatus(const char* key, const char* text) {
    ProfileWriteString(kSection, key, text, kStatusFile);
}

}  // namespace

std::uint8_t iniGetComPort() {
    return static_cast<std::uint8_t>(ProfileGetInt(kSection, "Comport", 1, kSettingsFile) & 0xFFu);
}

int iniTestMiniZvConnection() {
    return ReadFlag("TestMiniZvConnection", 1);
}
int iniGetData() {
    return ReadFlag("GetData", 1);
}
int iniToZorvek() {
    return ReadFlag("ToZorvek", 1);
}
std::uint8_t iniSendNumberOfModuls() {
    return ReadNumber1To200("SendNumberOfModuls");
}
std::uint8_t iniGetFromModulNumber() {
    return ReadNumber1To200("GetFromModulNumber");
}
std::uint8_t iniGetToModulNumber() {
    return ReadNumber1To200("GetToModulNumber");
}
int iniIgnoreMutBlock() {
    return ReadFlag("IgnoreMutBlock", 0);
}

void iniZorVekDriverStart() {
    WriteStatus("ZorVekDriverRunning", "1");
}

void iniNowTransferingNo(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", number);
    WriteStatus("NowTransferingNo", text);
}
