#pragma once
#include <string>

#include "zvtool/error.h"
#include "zvtool/ports/port_arg.h"

// Turns what --port names into the "Comport" the driver is given, for a run in `runFolder`.
// A number is taken as it is. On POSIX a device path or a USB identity becomes the link
// "COM1" in the run folder, pointing at the device (an existing link is replaced; any other
// "COM1" is left alone and refused); on Windows a USB identity becomes the number of its COM
// port. A port this user may not open is refused, naming the group that may.
// True with `comport` and, when zvtool did something the user should know, `note`; false
// with `error`.
bool ResolvePortTarget(const std::string& runFolder, const TPortArg& wanted, int* comport,
                       std::string* note, TZvError* error);

// What the run folder's link "COM1" leads to, as the link says it; "" when there is none (and
// always on Windows, where --port makes no link).
std::string Com1Target(const std::string& runFolder);
// Leads "COM1" back to `target` (a link zvtool made is removed for ""): a job refused as another
// unit leaves the folder's port as it found it. False with `error` when that fails.
bool PutCom1Back(const std::string& runFolder, const std::string& target, TZvError* error);
// The one link of the run folder that zvtool reads on purpose: "COMn", where the driver looks
// for port `comport`, must lead to a character device when it is there (else no driver is
// started: it would open a file, a FIFO or a folder as its port). True when it does, or when
// there is no such entry or it leads nowhere (the driver reports that as a port it cannot
// open); false with kExitUnavailable naming the entry and where it leads. Windows: true.
bool ComEntryIsADevice(const std::string& runFolder, int comport, TZvError* error);
// What COM`comport` is for a driver run in `runFolder`, for a job the driver could not open
// it for: POSIX the folder's link "COMn" or the built-in port /dev/ttyS<n-1>, and whether that
// device is there; Windows whether the PC has that port. A port that is not there is said so,
// with the serial ports there are (`zvtool ports`).
std::string ComPortWhere(const std::string& runFolder, int comport);
