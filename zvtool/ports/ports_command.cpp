#include "zvtool/ports/ports_command.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/process.h"
#include "zvtool/json.h"
#include "zvtool/ports/ports_report.h"
#include "zvtool/ports/serial_ports.h"
#include "zvtool/report.h"

namespace {

std::string PortsJson(const std::vector<TSerialPort>& ports) {
    std::vector<std::string> objects;
    for (const TSerialPort& port : ports) {
        objects.push_back(PortJson(port));
    }
    return JsonArray(objects);
}

}  // namespace

int RunPorts(const TZvOptions& options) {
    if (!options.dir.empty() && !ChangeDirectory(options.dir)) {
        return Fail({kExitNoInput,
                     "cannot enter the directory " + options.dir + " (--dir); check that it exists",
                     "ports"});
    }
    const std::vector<TSerialPort> ports = ListSerialPorts();
    const std::vector<TSerialPort> folderPorts = RunFolderPorts(ports);
    if (options.json) {
        CommandReport().members.push_back({"ports", PortsJson(ports)});
        CommandReport().members.push_back({"folder", PortsJson(folderPorts)});
    } else {
        std::fputs(PortsText(ports, folderPorts, AbsolutePath(".")).c_str(), stdout);
    }
    return kExitOk;
}
