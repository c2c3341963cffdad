#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/ports/port_target.h"

namespace {

// "COM7" or "\\.\COM7": 7; 0 for anything else.
int ComNumber(const std::string& name) {
    std::string rest = name;
    if (rest.compare(0, 4, "\\\\.\\") == 0) {
        rest = rest.substr(4);
    }
    TPortSpec spec;
    std::string ignored;
    return ParsePortSpec(rest, &spec, &ignored) && spec.kind == TPortKind::kNumber ? spec.number
                                                                                   : 0;
}

}  // namespace

bool ResolvePortTarget(const TPortSpec& spec, int* comport, std::string* note, TZvError* error) {
    if (spec.kind == TPortKind::kNumber) {
        *comport = spec.number;
        return true;
    }
    if (spec.kind == TPortKind::kPath) {
        *comport = ComNumber(spec.path);
        if (*comport == 0) {
            *error = {kExitUsage,
                      "on Windows --port takes COMn, a port number or usb:VID:PID[:SERIAL], not '" +
                          spec.path + "'",
                      ""};
            return false;
        }
        return true;
    }
    TSerialPort port;
    std::string why;
    if (!PickUsbPort(ListSerialPorts(), spec, &port, &why)) {
        *error = {kExitUnavailable, why, ""};
        return false;
    }
    *comport = ComNumber(port.name);
    if (*comport == 0) {
        *error = {kExitUnavailable, spec.text + " is " + port.name + ", not a COM port", ""};
        return false;
    }
    *note = spec.text + " is " + port.name;
    return true;
}
