#pragma once
#include <string>
#include <vector>

#include "zvtool/ports/serial_ports.h"

// What --port names: a port number (3, COM3), a device path (/dev/ttyUSB0,
// /dev/serial/by-id/...) or a USB adapter by its identity (usb:0403:6001[:SERIAL]).
// Parsing and matching are pure; port_target_*.cpp turn one into the driver's "Comport".

enum class TPortKind { kNumber, kPath, kUsb };

struct TPortArg {
    TPortKind kind = TPortKind::kNumber;
    int number = 0;         // kNumber: 1 to 255
    std::string path;       // kPath
    std::string vendorId;   // kUsb: four hexadecimal digits, lower case
    std::string productId;  // kUsb
    std::string serial;     // kUsb: "" matches any serial number
    std::string text;       // as given, for messages
};

// True with `wanted`, or false with one line in `error` saying what --port takes.
bool ParsePortArg(const std::string& text, TPortArg* wanted, std::string* error);

// The USB adapters among `ports` that a kUsb wanted names.
std::vector<TSerialPort> MatchUsbPorts(const std::vector<TSerialPort>& ports,
                                       const TPortArg& wanted);

// The one port a kUsb wanted names: true with `port`, or false with `error` saying that none
// or several match (and which are there).
bool PickUsbPort(const std::vector<TSerialPort>& ports, const TPortArg& wanted, TSerialPort* port,
                 std::string* error);

// "usb:0403:6001:A50285BI" (without the serial when the adapter has none).
std::string UsbIdentity(const TSerialPort& port);

// Why this user cannot open a probed port and what lets them: "" when they may.
std::string PermissionAdvice(const TSerialPort& port);
