#pragma once
#include <string>

#include "zvtool/ports/serial_ports.h"

// A port in words, as every front end shows it.

// "usb:0403:6001:A50285BI  FTDI  FT232R USB UART", "16550A UART", a Windows port's friendly
// name; "" when nothing is known beyond the device.
std::string PortIdentity(const TSerialPort& port);

// "free, you may open it", "in use by minicom (pid 12); you may not open it: join ...".
std::string PortAvailability(const TSerialPort& port);
