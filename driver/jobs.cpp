#include "driver/jobs.h"

#include "device/minizv_ptk.h"

int ConnectionTestJob() {
    TMiniZvPtk device;
    std::uint8_t version1 = 0;
    std::uint8_t version2 = 0;
    return device.GetVersion(version1, version2);
}

// Not built yet: the transfer jobs come with the setup-file work and answer 4 until then.
int SendCentralSetupJob() { return 4; }
int FetchCentralSetupJob() { return 4; }
int SendModulSetupsJob() { return 4; }
int FetchModulSetupsJob() { return 4; }
