#pragma once
#include <string>
#include <vector>

#include "zvtool/jobs/job.h"

// Writing a job into the settings file so that the driver runs that job and no other: each
// key is read back after it is written. A write that did not take (a read-only folder or
// file, a full disk) would leave the driver its defaults, a connection test, which reads as
// success; so zvtool stops before it starts the driver. Every function takes the run folder,
// where the driver run there keeps its profile files (on Windows, the Windows directory).

// Writes `keys` into "zordrive.INI" and reads each back. kExitOk; or kExitCannotCreate with
// `error` naming the file, the key and the reason.
int WriteJobKeys(const std::string& runFolder, const std::vector<TJobKey>& keys,
                 std::string* error);

// Clears "ComStatus", "NowTransferingNo" and "ZorVekDriverRunning" in "zordOUT.INI" (each left
// blank, which reads as missing), so that a value left by an earlier run is never taken for
// this run's: kExitOk;
// or kExitCannotCreate with `error` naming the file and the reason.
int ClearStatusKeys(const std::string& runFolder, std::string* error);

// "ComStatus" as the driver left it, or -1 when it holds none: a driver that ended without
// writing it (killed, or the PC went down) gave no result, whatever its exit status.
int ReadComStatus(const std::string& runFolder);

// Where the "Comport" the driver uses comes from: this command's --port, the settings file
// (left by an earlier --port or another host), or the driver's default, COM1.
enum class TPortFrom { kOption, kSettings, kDefault };

// The port the driver will use for a command given `givenPort` (0: none), and its source.
TPortFrom PortInUse(const std::string& runFolder, int givenPort, int* port);

// The source as the JSON output names it: "--port", "settings", "default".
const char* PortFromKey(TPortFrom from);

// The source for people: "--port", "Comport=7 in FILE, left by an earlier --port or another
// host", "the driver's default (no Comport in FILE)".
std::string PortFromText(const std::string& runFolder, TPortFrom from, int port);
