#include "driver/driver.h"
#include "serial/trace.h"
#include "settings/ini.h"
#include "ui/status_window.h"

// One run, one job: mark the run, make the (headless) window, open the port, run the job
// the settings select, finish. The exit status is the result code. ZORDRIVE_TRACE, when
// set, names a file that the run appends its trace to.
int main() {
    TraceBegin();
    iniZorVekDriverStart();
    StatusWindowSetJobs(DriverJobCommands());
    StatusWindowCreate();
    const int result = RunDriver();
    TraceEnd();
    return result;
}
