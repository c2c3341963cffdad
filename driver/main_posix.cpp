#include "driver/driver.h"
#include "driver/report_posix.h"
#include "serial/trace.h"
#include "settings/ini.h"
#include "ui/status_window.h"

// One run, one job: mark the run, make the (headless) window, open the port, run the job
// the settings select, finish. The exit status is the result code. Only --help and
// --version are answered, before anything is touched; every other argument is ignored.
// ZORDRIVE_TRACE, when set, names a file that the run appends its trace to.
int main(int argc, char** argv) {
    if (AnswerCommandLine(argc, argv)) {
        return 0;
    }
    TraceBegin();
    iniZorVekDriverStart();
    StatusWindowSetJobs(DriverJobCommands());
    StatusWindowCreate();
    const int result = RunDriver();
    TraceEnd();
    ReportFailedRun(result);
    return result;
}
