#include "zvtool/ports/port_arg.h"

#include <cctype>
#include <string>
#include <vector>

#include "tools/option_table.h"
#include "zvtool/platform/files.h"

namespace {

constexpr int kLastPort = 255;
constexpr char kUsbPrefix[] = "usb:";

bool IsHexId(const std::string& text) {
    return text.size() == 4 &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// "usb:VID:PID" or "usb:VID:PID:SERIAL"; the serial may itself hold colons.
bool ParseUsb(const std::string& text, TPortArg* wanted) {
    const std::string rest = text.substr(sizeof kUsbPrefix - 1);
    const std::size_t first = rest.find(':');
    if (first == std::string::npos) {
        return false;
    }
    const std::size_t second = rest.find(':', first + 1);
    const std::string vendor = rest.substr(0, first);
    const std::string product = rest.substr(
        first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (!IsHexId(vendor) || !IsHexId(product)) {
        return false;
    }
    wanted->vendorId = Lower(vendor);
    wanted->productId = Lower(product);
    wanted->serial = second == std::string::npos ? "" : rest.substr(second + 1);
    return second == std::string::npos || !wanted->serial.empty();
}

std::string Describe(const TSerialPort& port) {
    return port.device + " (" + UsbIdentity(port) + ")";
}

}  // namespace

bool ParsePortArg(const std::string& text, TPortArg* wanted, std::string* error) {
    TPortArg parsed;
    parsed.text = text;
    const std::string lower = Lower(text);
    bool good = false;
    if (lower.compare(0, sizeof kUsbPrefix - 1, kUsbPrefix) == 0) {
        parsed.kind = TPortKind::kUsb;
        good = ParseUsb(text, &parsed);
    } else if (text.find('/') != std::string::npos || text.find('\\') != std::string::npos) {
        parsed.kind = TPortKind::kPath;
        parsed.path = text;
        good = true;
    } else {
        parsed.kind = TPortKind::kNumber;
        good = ParseWholeNumber(lower.compare(0, 3, "com") == 0 ? lower.substr(3) : lower, 1,
                                kLastPort, &parsed.number);
    }
    if (!good) {
        const char* path =
            ThisSystem() == TSystem::kWindows ? "" : ", a device path (/dev/ttyUSB0)";
        *error = std::string("--port takes COMn or its number 1 to 255 (COM1 is 1)") + path +
                 " or a USB adapter as usb:VID:PID[:SERIAL] (see `zvtool ports`), not '" + text +
                 "'";
        return false;
    }
    *wanted = parsed;
    return true;
}

std::vector<TSerialPort> MatchUsbPorts(const std::vector<TSerialPort>& ports,
                                       const TPortArg& wanted) {
    std::vector<TSerialPort> matches;
    for (const TSerialPort& port : ports) {
        if (port.usb && Lower(port.vendorId) == wanted.vendorId &&
            Lower(port.productId) == wanted.productId &&
            (wanted.serial.empty() || port.serial == wanted.serial)) {
            matches.push_back(port);
        }
    }
    return matches;
}

bool PickUsbPort(const std::vector<TSerialPort>& ports, const TPortArg& wanted, TSerialPort* port,
                 std::string* error) {
    const std::vector<TSerialPort> matches = MatchUsbPorts(ports, wanted);
    if (matches.size() == 1) {
        *port = matches[0];
        return true;
    }
    std::string listed;
    for (const TSerialPort& candidate : matches.empty() ? ports : matches) {
        if (candidate.usb) {
            listed += (listed.empty() ? "" : ", ") + Describe(candidate);
        }
    }
    if (matches.empty()) {
        *error = "no USB serial adapter " + wanted.text + " is plugged in" +
                 (listed.empty() ? " (none is)" : "; there are: " + listed);
    } else {
        *error = std::to_string(matches.size()) + " adapters match " + wanted.text +
                 ": name one by its serial number: " + listed;
    }
    return false;
}

std::string UsbIdentity(const TSerialPort& port) {
    return "usb:" + port.vendorId + ":" + port.productId +
           (port.serial.empty() ? "" : ":" + port.serial);
}

std::string PermissionAdvice(const TSerialPort& port) {
    if (!port.probed || port.mayOpen) {
        return "";
    }
    const std::string cannot = "you may not open " + port.device;
    if (port.group.empty()) {
        return cannot + ": no group may open it; ask the administrator to give you access";
    }
    if (port.inGroupNotSession) {
        return cannot + " yet: you were added to the group " + port.group +
               " after this login began; log out and in again";
    }
    return cannot + ": join the group " + port.group + " (sudo usermod -aG " + port.group +
           " $USER), then log out and in again";
}
