#include "driver/driver.h"
#include "driver/jobs.h"
#include "serial/com_port.h"
#include "settings/ini.h"

// Each key is read only when the choice reaches it: a missing "TestMiniZvConnection"
// runs the connection test without looking at the others.
int RunSelectedJob() {
    if (iniTestMiniZvConnection() != 0) {
        return ConnectionTestJob();
    }
    if (iniGetData() != 0) {
        return iniToZorvek() != 0 ? FetchModulSetupsJob() : FetchCentralSetupJob();
    }
    return iniToZorvek() != 0 ? SendModulSetupsJob() : SendCentralSetupJob();
}

int RunDriver() {
    const int result = ComInitialise() != 0 ? kResultPortFailed : RunSelectedJob();
    Finish(result);
    return result;
}

const TJobCommands& DriverJobCommands() {
    static const TJobCommands commands = {SendCentralSetupJob, FetchCentralSetupJob,
                                          SendModulSetupsJob,  FetchModulSetupsJob,
                                          ConnectionTestJob,   Finish};
    return commands;
}
