#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/jobs/process.h"
#include "zvtool/ports/port_target.h"

namespace {

constexpr char kLinkName[] = "COM1";
constexpr char kLinkTemporary[] = "COM1.zvtool-new";

// The device a number names for the driver here: the entry "COMn" of the run folder when
// there is one, otherwise the built-in port /dev/ttyS<n-1>.
std::string DeviceForNumber(int number) {
    const std::string entry = "COM" + std::to_string(number);
    struct stat info {};
    return lstat(entry.c_str(), &info) == 0 ? entry : "/dev/ttyS" + std::to_string(number - 1);
}

// Refuses a device this user may not open; a missing device is left for the driver to
// report as it always does.
bool CheckPermission(const std::string& device, const std::string& shown, TZvError* error) {
    TSerialPort port;
    port.device = device;
    ProbeSerialPort(&port);
    const std::string advice = PermissionAdvice(port);
    if (advice.empty()) {
        return true;
    }
    *error = {kExitNoPermission, advice + (shown != device ? " (" + shown + ")" : ""), ""};
    return false;
}

// Points the run folder's "COM1" at `device`, replacing a link but nothing else.
bool LinkCom1(const std::string& device, TZvError* error) {
    struct stat info {};
    if (lstat(kLinkName, &info) == 0 && !S_ISLNK(info.st_mode)) {
        *error = {kExitCannotCreate,
                  AbsolutePath(kLinkName) + " is not a link; remove it, or give --port as a number",
                  ""};
        return false;
    }
    unlink(kLinkTemporary);
    if (symlink(device.c_str(), kLinkTemporary) != 0 || rename(kLinkTemporary, kLinkName) != 0) {
        const std::string reason = std::strerror(errno);
        unlink(kLinkTemporary);
        *error = {kExitCannotCreate,
                  "cannot make the link " + AbsolutePath(kLinkName) + ": " + reason, ""};
        return false;
    }
    return true;
}

}  // namespace

bool ResolvePortTarget(const TPortArg& wanted, int* comport, std::string* note, TZvError* error) {
    if (wanted.kind == TPortKind::kNumber) {
        *comport = wanted.number;
        return CheckPermission(DeviceForNumber(wanted.number),
                               "COM" + std::to_string(wanted.number), error);
    }
    std::string device = wanted.path;
    if (wanted.kind == TPortKind::kUsb) {
        TSerialPort port;
        std::string why;
        if (!PickUsbPort(ListSerialPorts(), wanted, &port, &why)) {
            *error = {kExitUnavailable, why, ""};
            return false;
        }
        device = port.device;
    }
    struct stat info {};
    if (stat(device.c_str(), &info) != 0) {
        *error = {kExitUnavailable,
                  "no device " + device + ": " + std::strerror(errno) +
                      "; `zvtool ports` lists the serial ports there are",
                  ""};
        return false;
    }
    if (!S_ISCHR(info.st_mode)) {
        *error = {kExitUnavailable, device + " is not a serial port (not a character device)", ""};
        return false;
    }
    if (!CheckPermission(device, wanted.text, error) || !LinkCom1(device, error)) {
        return false;
    }
    *comport = 1;
    *note = AbsolutePath(kLinkName) + " now links to " + device +
            (wanted.kind == TPortKind::kUsb ? " (" + wanted.text + ")" : "");
    return true;
}
