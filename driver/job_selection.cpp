#include "driver/driver.h"
#include "driver/jobs.h"
#include "serial/com_port.h"
#include "serial/trace.h"
#include "settings/ini.h"

// Each key is read only when the choice reaches it: a missing "TestMiniZvConnection"
// runs the connection test without looking at the others.
int RunSelectedJob() {
    const int connection = iniTestMiniZvConnection();
    if (connection != 0) {
        TraceNote("job: connection test (TestMiniZvConnection=%d)", connection);
        return ConnectionTestJob();
    }
    const int getData = iniGetData();
    const int toZorvek = iniToZorvek();
    TraceNote("job: %s %s (TestMiniZvConnection=0 GetData=%d ToZorvek=%d)",
              getData != 0 ? "fetch" : "send",
              toZorvek != 0 ? "module records" : "the central record", getData, toZorvek);
    if (getData != 0) {
        return toZorvek != 0 ? FetchModulSetupsJob() : FetchCentralSetupJob();
    }
    return toZorvek != 0 ? SendModulSetupsJob() : SendCentralSetupJob();
}

int RunDriver() {
    if (TraceOn()) {
        TraceNote("%sCOM%u (Comport setting)", kNotePort, iniGetComPort());
    }
    const int result = ComInitialise() != 0 ? kResultPortFailed : RunSelectedJob();
    TraceNote("%s%d: %s", kNoteResult, result, ResultMeaning(result));
    TraceWriteOut();
    Finish(result);
    return result;
}

const TJobCommands& DriverJobCommands() {
    static const TJobCommands commands = {SendCentralSetupJob, FetchCentralSetupJob,
                                          SendModulSetupsJob,  FetchModulSetupsJob,
                                          ConnectionTestJob,   Finish};
    return commands;
}
