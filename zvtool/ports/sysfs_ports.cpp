// The serial ports as Linux's sysfs shows them, read from a tree given by its root so that a
// test can build one. Only files are read; nothing is opened as a port.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "zvtool/ports/serial_ports.h"

namespace fs = std::filesystem;

namespace {

// The kernel's UART types (its PORT_ numbers) that a technician may meet; others show as
// their number.
const char* const kUartTypes[] = {"unknown", "8250",   "16450",   "16550", "16550A",
                                  "Cirrus",  "16650",  "16650V2", "16750", "Startech",
                                  "16C950",  "16654",  "16850",   "RSA",   "NS16550A",
                                  "XSCALE",  "RM9000", "OCTEON",  "AR7",   "U6_16550A"};

// The first line of a small attribute file, without its line end; "" when it cannot be read.
std::string ReadAttribute(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

std::string UartName(const std::string& type) {
    const std::size_t count = sizeof kUartTypes / sizeof kUartTypes[0];
    if (type.empty() || type.find_first_not_of("0123456789") != std::string::npos ||
        type.size() > 3) {
        return type;
    }
    const std::size_t number = std::stoul(type);
    return number < count ? kUartTypes[number] : "type " + type;
}

// The USB device above `device` (the first folder up the tree with an "idVendor"), or "".
fs::path UsbDeviceAbove(const fs::path& device, const fs::path& sysRoot) {
    std::error_code error;
    for (fs::path at = device; !at.empty() && at != at.root_path(); at = at.parent_path()) {
        if (fs::exists(at / "idVendor", error)) {
            return at;
        }
        if (at == sysRoot) {
            break;
        }
    }
    return {};
}

// The driver of the port's device. Newer kernels put the serial core's own "port" and "ctrl"
// devices (bus serial-base) between the tty and the device of its hardware driver; the driver
// a technician knows is the first one above them.
std::string DriverOf(const fs::path& device) {
    constexpr int kLevels = 4;
    fs::path at = device;
    for (int level = 0; level < kLevels && !at.empty(); ++level, at = at.parent_path()) {
        std::error_code error;
        const fs::path driver = fs::read_symlink(at / "driver", error);
        if (!error && driver.string().find("/serial-base/") == std::string::npos) {
            return driver.filename().string();
        }
    }
    return "";
}

// One entry of /sys/class/tty, filled; false when it has no real port behind it.
bool ReadTtyEntry(const fs::path& entry, const fs::path& sysRoot, TSerialPort* port) {
    std::error_code error;
    const fs::path deviceLink = entry / "device";
    if (!fs::is_symlink(deviceLink, error)) {
        return false;
    }
    const fs::path device = fs::canonical(deviceLink, error);
    if (error) {
        return false;
    }
    port->name = entry.filename().string();
    port->device = "/dev/" + port->name;
    port->driver = DriverOf(device);
    // A built-in UART slot that the kernel found empty has type 0 and no port behind it.
    const std::string type = ReadAttribute(entry / "type");
    if (!type.empty()) {
        if (type == "0") {
            return false;
        }
        port->uart = UartName(type);
    }
    const fs::path usb = UsbDeviceAbove(device, sysRoot);
    if (!usb.empty()) {
        port->usb = true;
        port->vendorId = ReadAttribute(usb / "idVendor");
        port->productId = ReadAttribute(usb / "idProduct");
        port->serial = ReadAttribute(usb / "serial");
        port->manufacturer = ReadAttribute(usb / "manufacturer");
        port->product = ReadAttribute(usb / "product");
    }
    return true;
}

// Adds the names in <root>/dev/serial/by-id that lead to each port.
void AddStableNames(const fs::path& root, std::vector<TSerialPort>* ports) {
    std::error_code error;
    const fs::path byId = root / "dev/serial/by-id";
    std::vector<fs::path> names;
    for (fs::directory_iterator it(byId, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path());
    }
    std::sort(names.begin(), names.end());
    for (const fs::path& name : names) {
        const fs::path target = fs::read_symlink(name, error);
        if (error) {
            continue;
        }
        for (TSerialPort& port : *ports) {
            if (target.filename() == port.name) {
                port.byId.push_back("/dev/serial/by-id/" + name.filename().string());
            }
        }
    }
}

}  // namespace

std::vector<TSerialPort> ReadSysfsPorts(const std::string& root) {
    const fs::path top(root);
    const fs::path sysRoot = top / "sys";
    std::vector<TSerialPort> ports;
    std::error_code error;
    for (fs::directory_iterator it(sysRoot / "class/tty", error), end; !error && it != end;
         it.increment(error)) {
        TSerialPort port;
        if (ReadTtyEntry(it->path(), fs::weakly_canonical(sysRoot, error), &port)) {
            ports.push_back(port);
        }
    }
    std::sort(ports.begin(), ports.end(),
              [](const TSerialPort& a, const TSerialPort& b) { return a.name < b.name; });
    AddStableNames(top, &ports);
    return ports;
}
