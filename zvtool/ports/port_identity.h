#pragma once
#include <string>

// Which device a run folder's port is, so that a job can tell that the port it started on is
// the one it ends on, and a resume that it goes on with the same unit: the device a driver
// run there opens for its "Comport", and the USB adapter's identity where the port is one.

struct TPortIdentity {
    bool present = false;   // the device is there
    std::string device;     // POSIX: the device the run opens ("/dev/ttyUSB0"); Windows "COM3"
    long long number = -1;  // POSIX: its device number; -1 where not known
    std::string usb;        // "usb:0403:6001:A50285BI" for a USB adapter; "" otherwise
};

// The identity of COM`comport` for a driver run in `runFolder` (port_target_posix.cpp,
// port_target_win32.cpp): on POSIX the folder's entry "COMn" when there is one, else the
// built-in port; on Windows the COM port and its USB adapter.
TPortIdentity IdentifyPort(const std::string& runFolder, int comport);

// The identity as one word for the ledger and the notes a stopped job leaves: the USB
// identity where known (a device path changes when an adapter is plugged in again), else the
// device (a space in it as %20); "-" for a port not there. Two words that differ are two
// ports.
std::string PortIdentityWord(const TPortIdentity& identity);

// Whether the port is still the device it was: present both times with the same device
// number (or device, where the number is not known) and the same USB identity.
bool SameDevice(const TPortIdentity& before, const TPortIdentity& now);
