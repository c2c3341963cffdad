#pragma once
#include <string>
#include <vector>

#include "zvtool/ports/serial_ports.h"

// How the terminal shows the ports: a few lines for each, or a JSON object each. Pure, so
// that a table of ports tests it.

// The lines of one port, each ending in a line end: its device, driver and identity, then its
// stable names, then whether it is in use and whether this user may open it.
std::string PortText(const TSerialPort& port);

// One port as a JSON object.
std::string PortJson(const TSerialPort& port);

// The whole listing: the machine's ports, then the run folder's "COMn" entries under `folder`.
std::string PortsText(const std::vector<TSerialPort>& ports,
                      const std::vector<TSerialPort>& folderPorts, const std::string& folder);
