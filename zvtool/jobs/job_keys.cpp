#include "zvtool/jobs/job_keys.h"

#include <string>
#include <vector>

#include "settings/profile.h"
#include "zvtool/exit_codes.h"
#include "zvtool/platform/files.h"

namespace {

constexpr int kMissing = -1;
constexpr int kDefaultPort = 1;
constexpr char kPortKey[] = "Comport";

int ReadKey(const std::string& runFolder, const char* key, const char* file) {
    return static_cast<int>(
        ProfileGetInt(kSection, key, kMissing, DriverProfileName(runFolder, file).c_str()));
}

}  // namespace

int WriteJobKeys(const std::string& runFolder, const std::vector<TJobKey>& keys,
                 std::string* error) {
    const std::string path = DriverProfilePath(runFolder, kSettingsFile);
    const std::string file = DriverProfileName(runFolder, kSettingsFile);
    for (const TJobKey& key : keys) {
        const std::string text = std::to_string(key.value);
        ProfileWriteString(kSection, key.key, text.c_str(), file.c_str());
        const int back = ReadKey(runFolder, key.key, kSettingsFile);
        if (back == key.value) {
            continue;
        }
        std::string reason = WhyNotWritable(path);
        if (reason.empty()) {
            reason = back == kMissing ? "the key is missing when read back"
                                      : "it reads back as " + std::to_string(back);
        }
        *error = "cannot write the job into " + path + " (" + key.key + "=" + text +
                 "): " + reason + "; the driver was not started";
        return kExitCannotCreate;
    }
    return kExitOk;
}

int ClearStatusKeys(const std::string& runFolder, std::string* error) {
    const std::string file = DriverProfileName(runFolder, kStatusFile);
    // The running flag too: a driver that sets it but writes no result was ended from
    // outside, one that never sets it reads another status file (EndRun tells them apart).
    for (const char* key : {"ComStatus", "NowTransferingNo", "ZorVekDriverRunning"}) {
        ProfileWriteString(kSection, key, "", file.c_str());
        if (ReadKey(runFolder, key, kStatusFile) == kMissing) {
            continue;
        }
        const std::string path = DriverProfilePath(runFolder, kStatusFile);
        std::string reason = WhyNotWritable(path);
        if (reason.empty()) {
            reason = "it still holds a value when read back";
        }
        *error = "cannot clear " + std::string(key) + " in " + path + ": " + reason +
                 "; the driver was not started";
        return kExitCannotCreate;
    }
    return kExitOk;
}

int ReadComStatus(const std::string& runFolder) {
    return ReadKey(runFolder, "ComStatus", kStatusFile);
}

TPortFrom PortInUse(const std::string& runFolder, int givenPort, int* port) {
    if (givenPort != 0) {
        *port = givenPort;
        return TPortFrom::kOption;
    }
    const int saved = ReadKey(runFolder, kPortKey, kSettingsFile);
    *port = saved == kMissing ? kDefaultPort : saved;
    return saved == kMissing ? TPortFrom::kDefault : TPortFrom::kSettings;
}

const char* PortFromKey(TPortFrom from) {
    switch (from) {
        case TPortFrom::kOption:
            return "--port";
        case TPortFrom::kSettings:
            return "settings";
        case TPortFrom::kDefault:
            break;
    }
    return "default";
}

std::string PortFromText(const std::string& runFolder, TPortFrom from, int port) {
    const std::string file = DriverProfilePath(runFolder, kSettingsFile);
    switch (from) {
        case TPortFrom::kOption:
            return "--port";
        case TPortFrom::kSettings:
            return "Comport=" + std::to_string(port) + " in " + file +
                   ", left by an earlier --port or another host";
        case TPortFrom::kDefault:
            break;
    }
    return "the driver's default (no Comport in " + file + ")";
}
