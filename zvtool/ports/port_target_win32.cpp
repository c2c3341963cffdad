#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/ports/port_identity.h"
#include "zvtool/ports/port_target.h"

namespace {

// "COM7" or "\\.\COM7": 7; 0 for anything else.
int ComNumber(const std::string& name) {
    std::string rest = name;
    if (rest.compare(0, 4, "\\\\.\\") == 0) {
        rest = rest.substr(4);
    }
    TPortArg wanted;
    std::string ignored;
    return ParsePortArg(rest, &wanted, &ignored) && wanted.kind == TPortKind::kNumber
               ? wanted.number
               : 0;
}

}  // namespace

bool ResolvePortTarget(const std::string&, const TPortArg& wanted, int* comport, std::string* note,
                       TZvError* error) {
    if (wanted.kind == TPortKind::kNumber) {
        *comport = wanted.number;
        return true;
    }
    if (wanted.kind == TPortKind::kPath) {
        *comport = ComNumber(wanted.path);
        if (*comport == 0) {
            *error = {kExitUsage,
                      "on Windows --port takes COMn, a port number or usb:VID:PID[:SERIAL], not '" +
                          wanted.path + "'",
                      ""};
            return false;
        }
        return true;
    }
    TSerialPort port;
    std::string why;
    if (!PickUsbPort(ListSerialPorts(), wanted, &port, &why)) {
        *error = {kExitUnavailable, why, ""};
        return false;
    }
    *comport = ComNumber(port.name);
    if (*comport == 0) {
        *error = {kExitUnavailable, wanted.text + " is " + port.name + ", not a COM port", ""};
        return false;
    }
    *note = wanted.text + " is " + port.name;
    return true;
}

TPortIdentity IdentifyPort(const std::string&, int comport) {
    TPortIdentity identity;
    identity.device = "COM" + std::to_string(comport);
    for (const TSerialPort& port : ListSerialPorts()) {
        if (port.name == identity.device) {
            identity.present = true;
            identity.usb = port.usb ? UsbIdentity(port) : "";
        }
    }
    return identity;
}

std::string Com1Target(const std::string&) {
    return "";
}

bool PutCom1Back(const std::string&, const std::string&, TZvError*) {
    return true;
}

bool ComEntryIsADevice(const std::string&, int, TZvError*) {
    return true;
}

std::string ComPortWhere(const std::string&, int comport) {
    const std::string name = "COM" + std::to_string(comport);
    std::string ports;
    bool there = false;
    for (const TSerialPort& port : ListSerialPorts()) {
        ports += (ports.empty() ? "" : ", ") + port.name;
        there = there || port.name == name;
    }
    if (there) {
        return name + " is one of this PC's serial ports";
    }
    return name + " is not one of this PC's serial ports: " +
           (ports.empty() ? std::string("it has none (`zvtool ports`)")
                          : "they are " + ports + " (`zvtool ports`): give the unit's as --port");
}
