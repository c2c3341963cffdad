#include "zvtool/jobs/driver_program.h"

#include <string>

#include "zvtool/exit_codes.h"
#include "zvtool/platform/files.h"
#include "zvtool/platform/processes.h"

bool FindDriverProgram(const std::string& named, std::string* driver, TZvError* error) {
    if (!named.empty()) {
        *driver = AbsolutePath(named);
        if (!IsProgram(*driver)) {
            *error = {kExitUnavailable, "no driver program at " + *driver + "; check --driver", ""};
            return false;
        }
        return true;
    }
    const std::string self = SelfPath();
    const std::string beside = self.empty() ? "" : JoinPath(FolderOf(self), DriverProgramName());
    *driver = !beside.empty() && IsProgram(beside) ? beside : FindOnSearchPath(DriverProgramName());
    if (driver->empty()) {
        *error = {kExitUnavailable,
                  "the driver (zordrive) is neither beside zvtool nor on the search path; give "
                  "its path with --driver PATH",
                  ""};
        return false;
    }
    return true;
}
