#include "zvtool/ports/ports_command.h"

#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/error.h"
#include "zvtool/exit_codes.h"
#include "zvtool/jobs/process.h"
#include "zvtool/ports/ports_report.h"
#include "zvtool/ports/serial_ports.h"

namespace {

std::string JsonArray(const std::vector<TSerialPort>& ports) {
    std::string json = "[";
    for (std::size_t i = 0; i < ports.size(); ++i) {
        json += (i == 0 ? "" : ", ") + PortJson(ports[i]);
    }
    return json + "]";
}

}  // namespace

int RunPorts(const TZvOptions& options) {
    if (!options.dir.empty() && !ChangeDirectory(options.dir)) {
        const std::string message =
            "cannot enter the directory " + options.dir + " (--dir); check that it exists";
        if (options.json) {
            std::printf(
                "{\"version\": 1, \"command\": \"ports\", \"exit\": %d, \"error\": \"%s\"}\n",
                kExitNoInput, "cannot enter the directory given with --dir");
        }
        return Fail({kExitNoInput, message, "ports"});
    }
    const std::vector<TSerialPort> ports = ListSerialPorts();
    const std::vector<TSerialPort> folderPorts = RunFolderPorts(ports);
    if (options.json) {
        std::printf(
            "{\"version\": 1, \"command\": \"ports\", \"exit\": 0, \"error\": null, "
            "\"ports\": %s, \"folder\": %s}\n",
            JsonArray(ports).c_str(), JsonArray(folderPorts).c_str());
    } else {
        std::string here = AbsolutePath(".");
        if (here.size() > 2 && here.compare(here.size() - 2, 2, "/.") == 0) {
            here.resize(here.size() - 2);
        }
        std::fputs(PortsText(ports, folderPorts, here).c_str(), stdout);
    }
    return kExitOk;
}
