#include "zvtool/ports/port_identity.h"

#include <string>

std::string PortIdentityWord(const TPortIdentity& identity) {
    if (!identity.present) {
        return "-";
    }
    if (!identity.usb.empty()) {
        return identity.usb;
    }
    std::string word;
    for (const char c : identity.device) {
        word += c == ' ' ? "%20" : std::string(1, c);
    }
    return word;
}

bool SameDevice(const TPortIdentity& before, const TPortIdentity& now) {
    if (!before.present || !now.present) {
        return before.present == now.present;
    }
    const bool sameDevice = before.number >= 0 && now.number >= 0 ? before.number == now.number
                                                                  : before.device == now.device;
    return sameDevice && before.usb == now.usb;
}
