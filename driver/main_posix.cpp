#include "driver/driver.h"
#include "settings/ini.h"
#include "ui/status_window.h"

// One run, one job: mark the run, make the (headless) window, open the port, run the job
// the settings select, finish. The exit status is the result code.
int main() {
    iniZorVekDriverStart();
    StatusWindowSetJobs(DriverJobCommands());
    StatusWindowCreate();
    return RunDriver();
}
