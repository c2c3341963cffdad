// The terminal's run of `zvtool ports`.
#include <cstdio>
#include <string>
#include <vector>

#include "zvtool/cli/command_bits.h"
#include "zvtool/cli/command_runs.h"
#include "zvtool/cli/job_render.h"
#include "zvtool/cli/json.h"
#include "zvtool/cli/messages.h"
#include "zvtool/cli/ports_render.h"
#include "zvtool/platform/files.h"
#include "zvtool/ports/ports_command.h"

namespace {

std::string PortsJson(const std::vector<TSerialPort>& ports) {
    std::vector<std::string> objects;
    for (const TSerialPort& port : ports) {
        objects.push_back(PortJson(port));
    }
    return JsonArray(objects);
}

}  // namespace

int RunPortsCommand(const TCliRun& cli) {
    const std::string& dir = cli.options.dir;
    const TPortsResult result = ListPorts(AbsolutePath(dir.empty() ? "." : dir), dir);
    PrintMessages(result.end.messages);
    if (cli.options.json) {
        TJsonValues values = EnvelopeValues("ports", result.end);
        values["ports"] = PortsJson(result.ports);
        values["folder"] = PortsJson(result.folderPorts);
        std::printf("%s\n", SchemaObject(kPortsBit, values).c_str());
    } else if (result.end.exit == 0) {
        std::fputs(PortsText(result.ports, result.folderPorts, result.folder).c_str(), stdout);
    }
    std::fflush(stdout);
    return result.end.exit;
}
