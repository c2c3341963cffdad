#include <windows.h>

#include "driver/driver.h"
#include "serial/trace.h"
#include "settings/ini.h"
#include "ui/status_window.h"
#include "ui/status_window_win32.h"

// One run, one job, no message loop: mark the run, show the minimised status window, open
// the port, run the job that the settings select and finish. The exit status is the result
// code. The command line and the show command are not used. ZORDRIVE_TRACE, when set, names
// a file that the run appends its trace to, opened after the running flag is written.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR, int) {
    if (previousInstance != nullptr) {
        return 0;
    }
    iniZorVekDriverStart();
    TraceBegin();
    StatusWindowCreateFor(instance);
    StatusWindowSetJobs(DriverJobCommands());
    const int result = RunDriver();
    TraceEnd();
    return result;
}
