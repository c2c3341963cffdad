#pragma once
#include <string>
#include <vector>

// The serial ports a machine has, as `zvtool ports` lists them and `--port usb:VID:PID`
// picks one: what the system says about each port, then whether it is in use and whether
// this user may open it.

struct TSerialPort {
    std::string name;       // "ttyUSB0", "ttyS0"; on Windows "COM3"
    std::string device;     // what a program opens: "/dev/ttyUSB0", "COM3"
    std::string driver;     // the kernel's driver ("ftdi_sio", "serial8250"); Windows: the service
    std::string uart;       // a built-in port's UART type ("16550A"); "" for others
    bool usb = false;       // a USB adapter: the identity below is set
    std::string vendorId;   // four hexadecimal digits, lower case: "0403"
    std::string productId;  // "6001"
    std::string serial;     // the adapter's serial number; "" when it has none
    std::string manufacturer;
    std::string product;
    std::string description;        // Windows: the device's friendly name
    std::vector<std::string> byId;  // the stable names that lead to it (/dev/serial/by-id/...)
    std::string link;               // an entry of the run folder ("COM1") that leads to it

    // Filled by the platform's probe, never by reading the tree.
    bool probed = false;
    std::vector<std::string> holders;  // "minicom (pid 1234)": programs that have it open
    bool mayOpen = false;              // this user may open it for reading and writing
    std::string group;                 // POSIX: the group that may open it ("dialout")
    bool inGroupNotSession = false;    // listed in that group, but not in this login yet
};

// The ports under the system tree at `root` ("/" on a running Linux; a test's fake tree
// otherwise), from <root>/sys/class/tty and <root>/dev/serial/by-id, sorted by name. A tty
// without a device behind it (virtual consoles, pseudo-terminals) and a built-in UART slot
// with no UART (type 0) are left out.
std::vector<TSerialPort> ReadSysfsPorts(const std::string& root);

// The ports of this machine, probed: on POSIX from sysfs, on Windows from the registry's
// list of serial ports and the device manager (serial_ports_posix.cpp, _win32.cpp).
std::vector<TSerialPort> ListSerialPorts();

// Fills the probe's fields of one port whose device path is known.
void ProbeSerialPort(TSerialPort* port);

// POSIX: the "COMn" entries of the run folder, the ports a driver run there opens, each
// described as the port it leads to (`known` for what sysfs says) and probed. Windows: none,
// the driver opens COMn itself.
std::vector<TSerialPort> RunFolderPorts(const std::string& runFolder,
                                        const std::vector<TSerialPort>& known);
