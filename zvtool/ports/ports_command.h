#pragma once
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/ports/serial_ports.h"

// `zvtool ports`: the machine's serial ports and the run folder's COMn entries.
struct TPortsResult {
    std::string folder;  // the run folder
    std::vector<TSerialPort> ports;
    std::vector<TSerialPort> folderPorts;
    TCommandEnd end;
};

// The ports, with the COMn entries of `runFolder` (absolute; kExitNoInput when it is no folder).
TPortsResult ListPorts(const std::string& runFolder, const std::string& shownFolder);
