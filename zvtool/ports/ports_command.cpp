#include "zvtool/ports/ports_command.h"

#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/platform/files.h"

TPortsResult ListPorts(const std::string& runFolder, const std::string& shownFolder) {
    TPortsResult result;
    result.folder = runFolder;
    if (!IsFolder(runFolder)) {
        result.end.Fail(
            {kExitNoInput,
             "cannot enter the directory " + shownFolder + " (--dir); check that it exists",
             "ports"});
        return result;
    }
    result.ports = ListSerialPorts();
    result.folderPorts = RunFolderPorts(runFolder, result.ports);
    return result;
}
