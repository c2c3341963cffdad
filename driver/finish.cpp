#include <cstdio>

#include "driver/driver.h"
#include "settings/profile.h"
#include "ui/status_window.h"

// "ComStatus" goes first, so a host that sees the running flag at "0" finds the result.
void Finish(int result) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", result);
    ProfileWriteString(kSection, "ComStatus", text, kStatusFile);
    ProfileWriteString(kSection, "ZorVekDriverRunning", "0", kStatusFile);
    StatusWindowPostQuit();
}
