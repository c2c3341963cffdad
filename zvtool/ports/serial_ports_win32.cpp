// The serial ports on Windows: the COM names from the registry's list of serial ports
// (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM), and for each the device manager's entry (SetupAPI's
// ports class): friendly name, maker, service and, from the device instance id, a USB
// adapter's vendor and product ID and serial number.
#include <windows.h>
// setupapi.h needs the types of windows.h first.
#include <setupapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "zvtool/ports/serial_ports.h"

namespace {

// The device class "Ports (COM & LPT)".
const GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
constexpr DWORD kTextSize = 512;

std::vector<TSerialPort> RegistryPorts() {
    std::vector<TSerialPort> ports;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return ports;
    }
    for (DWORD index = 0;; ++index) {
        char name[kTextSize];
        BYTE data[kTextSize];
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        if (type != REG_SZ) {
            continue;
        }
        data[dataSize] = 0;
        TSerialPort port;
        port.name = reinterpret_cast<const char*>(data);
        port.device = port.name;
        port.driver = name;  // the kernel device ("\Device\Serial0"), until the service is known
        ports.push_back(port);
    }
    RegCloseKey(key);
    return ports;
}

std::string Property(HDEVINFO set, SP_DEVINFO_DATA* info, DWORD property) {
    char text[kTextSize] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(
            set, info, property, &type, reinterpret_cast<BYTE*>(text), sizeof text - 1, nullptr)) {
        return "";
    }
    return text;
}

std::string PortNameOf(HDEVINFO set, SP_DEVINFO_DATA* info) {
    HKEY key = SetupDiOpenDevRegKey(set, info, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return "";
    }
    char name[kTextSize] = {};
    DWORD size = sizeof name - 1;
    DWORD type = 0;
    const LONG read =
        RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_SZ ? name : "";
}

// The four hexadecimal digits after `tag` ("VID_") in a device instance id, lower case.
std::string IdAfter(const std::string& id, const char* tag) {
    const std::size_t at = id.find(tag);
    if (at == std::string::npos || id.size() < at + 8) {
        return "";
    }
    std::string digits = id.substr(at + 4, 4);
    std::transform(digits.begin(), digits.end(), digits.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'F' ? c + 32 : c); });
    return digits;
}

// "USB\VID_0403&PID_6001\A50285BI": the USB identity. The last part is the adapter's serial
// number unless Windows made one up (those hold '&').
void ReadInstanceId(const std::string& id, TSerialPort* port) {
    port->vendorId = IdAfter(id, "VID_");
    port->productId = IdAfter(id, "PID_");
    port->usb = !port->vendorId.empty() && !port->productId.empty();
    if (port->usb && id.compare(0, 4, "USB\\") == 0) {
        const std::size_t slash = id.rfind('\\');
        const std::string last = id.substr(slash + 1);
        if (slash > 4 && last.find('&') == std::string::npos) {
            port->serial = last;
        }
    }
}

void AddDeviceManagerFacts(std::vector<TSerialPort>* ports) {
    HDEVINFO set = SetupDiGetClassDevsA(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return;
    }
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &info); ++index) {
        const std::string name = PortNameOf(set, &info);
        for (TSerialPort& port : *ports) {
            if (name.empty() || port.name != name) {
                continue;
            }
            port.description = Property(set, &info, SPDRP_FRIENDLYNAME);
            port.manufacturer = Property(set, &info, SPDRP_MFG);
            port.product = Property(set, &info, SPDRP_DEVICEDESC);
            const std::string service = Property(set, &info, SPDRP_SERVICE);
            port.driver = service.empty() ? port.driver : service;
            char id[kTextSize] = {};
            if (SetupDiGetDeviceInstanceIdA(set, &info, id, sizeof id - 1, nullptr)) {
                ReadInstanceId(id, &port);
            }
        }
    }
    SetupDiDestroyDeviceInfoList(set);
}

// The number in "COM12", for sorting COM2 before COM10.
int PortNumber(const std::string& name) {
    const std::size_t digit = name.find_first_of("0123456789");
    return digit == std::string::npos ? 0 : std::atoi(name.c_str() + digit);
}

}  // namespace

void ProbeSerialPort(TSerialPort* port) {
    // Windows names no holder of a COM port; the port opens for one program at a time, so an
    // exclusive open that is refused as "access denied" means another program has it.
    const std::string path = "\\\\.\\" + port->device;
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    port->probed = true;
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        port->mayOpen = true;
    } else if (GetLastError() == ERROR_ACCESS_DENIED) {
        port->mayOpen = true;
        port->holders.push_back("another program");
    }
}

std::vector<TSerialPort> ListSerialPorts() {
    std::vector<TSerialPort> ports = RegistryPorts();
    AddDeviceManagerFacts(&ports);
    std::sort(ports.begin(), ports.end(), [](const TSerialPort& a, const TSerialPort& b) {
        return PortNumber(a.name) < PortNumber(b.name);
    });
    for (TSerialPort& port : ports) {
        ProbeSerialPort(&port);
    }
    return ports;
}

std::vector<TSerialPort> RunFolderPorts(const std::string&, const std::vector<TSerialPort>&) {
    return {};
}
