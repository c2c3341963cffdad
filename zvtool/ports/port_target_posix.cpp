#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "serial/com_names.h"
#include "zvtool/exit_codes.h"
#include "zvtool/platform/files.h"
#include "zvtool/ports/port_identity.h"
#include "zvtool/ports/port_target.h"
#include "zvtool/ports/serial_ports.h"

namespace {

constexpr char kLinkName[] = "COM1";
constexpr char kLinkTemporary[] = "COM1.zvtool-new";

// The device a number names for the driver in the run folder: the folder's entry "COMn" when
// there is one, otherwise the built-in port /dev/ttyS<n-1>.
std::string DeviceForNumber(const std::string& runFolder, int number) {
    char name[32];
    ComEntryName(number, name, sizeof name);
    const std::string entry = JoinPath(runFolder, name);
    if (FileExists(entry)) {
        return entry;
    }
    BuiltInComDevice(number, name, sizeof name);
    return name;
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
bool LinkCom1(const std::string& runFolder, const std::string& device, TZvError* error) {
    const std::string link = JoinPath(runFolder, kLinkName);
    const std::string temporary = JoinPath(runFolder, kLinkTemporary);
    struct stat info {};
    if (lstat(link.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        *error = {kExitCannotCreate, link + " is not a link; remove it, or give --port as a number",
                  ""};
        return false;
    }
    unlink(temporary.c_str());
    if (symlink(device.c_str(), temporary.c_str()) != 0 ||
        rename(temporary.c_str(), link.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        unlink(temporary.c_str());
        *error = {kExitCannotCreate, "cannot make the link " + link + ": " + reason, ""};
        return false;
    }
    return true;
}

}  // namespace

bool ResolvePortTarget(const std::string& runFolder, const TPortArg& wanted, int* comport,
                       std::string* note, TZvError* error) {
    if (wanted.kind == TPortKind::kNumber) {
        *comport = wanted.number;
        return CheckPermission(DeviceForNumber(runFolder, wanted.number),
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
    if (!CheckPermission(device, wanted.text, error) || !LinkCom1(runFolder, device, error)) {
        return false;
    }
    *comport = 1;
    *note = JoinPath(runFolder, kLinkName) + " now links to " + device +
            (wanted.kind == TPortKind::kUsb ? " (" + wanted.text + ")" : "");
    return true;
}

bool ComEntryIsADevice(const std::string& runFolder, int comport, TZvError* error) {
    char name[32];
    ComEntryName(comport, name, sizeof name);
    const std::string entry = JoinPath(runFolder, name);
    struct stat info {};
    if (comport <= 0 || stat(entry.c_str(), &info) != 0 || S_ISCHR(info.st_mode)) {
        return true;
    }
    char target[PATH_MAX];
    const ssize_t length = readlink(entry.c_str(), target, sizeof target - 1);
    target[length < 0 ? 0 : length] = '\0';
    const char* kind = S_ISREG(info.st_mode)    ? "a regular file"
                       : S_ISDIR(info.st_mode)  ? "a folder"
                       : S_ISFIFO(info.st_mode) ? "a FIFO"
                                                : "no character device";
    *error = {kExitUnavailable,
              entry + (length < 0 ? " is " : " links to " + std::string(target) + ", which is ") +
                  kind + ", not a serial port; the driver was not started: give --port the " +
                  "unit's port, or remove " + entry,
              ""};
    return false;
}

TPortIdentity IdentifyPort(const std::string& runFolder, int comport) {
    TPortIdentity identity;
    if (comport <= 0) {
        return identity;
    }
    const std::string path = DeviceForNumber(runFolder, comport);
    char* device = realpath(path.c_str(), nullptr);
    struct stat info {};
    if (device == nullptr || stat(device, &info) != 0 || !S_ISCHR(info.st_mode)) {
        free(device);
        identity.device = path;
        return identity;
    }
    identity.present = true;
    identity.device = device;
    identity.number = static_cast<long long>(info.st_rdev);
    free(device);
    for (const TSerialPort& port : ReadSysfsPorts("/")) {
        if (port.device == identity.device && port.usb) {
            identity.usb = UsbIdentity(port);
        }
    }
    return identity;
}

std::string Com1Target(const std::string& runFolder) {
    char target[4096];
    const ssize_t length =
        readlink(JoinPath(runFolder, kLinkName).c_str(), target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : "";
}

bool PutCom1Back(const std::string& runFolder, const std::string& target, TZvError* error) {
    if (!target.empty()) {
        return LinkCom1(runFolder, target, error);
    }
    const std::string link = JoinPath(runFolder, kLinkName);
    struct stat info {};
    if (lstat(link.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && unlink(link.c_str()) != 0) {
        *error = {kExitCannotCreate, "cannot remove the link " + link + ": " + std::strerror(errno),
                  ""};
        return false;
    }
    return true;
}

std::string ComPortWhere(const std::string& runFolder, int comport) {
    char name[32];
    ComEntryName(comport, name, sizeof name);
    const std::string entry = JoinPath(runFolder, name);
    const std::string device = DeviceForNumber(runFolder, comport);
    std::string text =
        device == entry ? std::string(name) + " is the link " + entry
                        : std::string(name) + " is " + device + " (there is no link " + entry + ")";
    if (IdentifyPort(runFolder, comport).present) {
        return text;
    }
    std::string ports;
    for (const TSerialPort& port : ReadSysfsPorts("/")) {
        ports += (ports.empty() ? "" : ", ") + port.device;
    }
    text += ", and no serial port is there: ";
    return text + (ports.empty() ? "this machine has none (`zvtool ports`)"
                                 : "this machine's serial ports are " + ports +
                                       " (`zvtool ports`): give the unit's as --port");
}
