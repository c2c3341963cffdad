#pragma once
#include <string>
#include <vector>

#include "zvtool/jobs/job.h"

// Writing a job into the settings file so that the driver runs that job and no other: each
// key is read back after it is written. A write that did not take (a read-only folder or
// file, a full disk) would leave the driver its defaults, a connection test, which reads as
// success; so zvtool stops before it starts the driver.

// Writes `keys` into "zordrive.INI" and reads each back. kExitOk; or kExitCannotCreate with
// `error` naming the file, the key and the reason.
int WriteJobKeys(const std::vector<TJobKey>& keys, std::string* error);

// Where the "Comport" the driver will use comes from, for the advice when the port fails:
// "--port" when this command gave it, "an earlier --port or another host, in FILE" when
// the settings file holds it, "the driver's default" when it does not. `port` is set to the
// number (1 by default).
std::string PortSource(int givenPort, int* port);
