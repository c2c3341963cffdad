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

// What COM`comport` is for a driver run in `runFolder`, for a job the driver could not open
// it for: POSIX the folder's link "COMn" or the built-in port /dev/ttyS<n-1>, and whether that
// device is there; Windows whether the PC has that port. A port that is not there is said so,
// with the serial ports there are (`zvtool ports`).
std::string ComPortWhere(const std::string& runFolder, int comport);
