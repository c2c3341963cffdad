#pragma once
#include <cstddef>
#include <cstdint>

// What the POSIX port knows beyond ComInitialise's 0 or 1, for the driver's one-line
// report of a failed run.

// The device for "COM<number>": the entry of that name in the current directory if there is
// one, otherwise /dev/ttyS<number-1>; false for COM0, which never exists.
bool ComDevicePath(std::uint8_t number, char* path, std::size_t size);
// The port the last ComInitialise opened or tried, as "COM1 -> /dev/pts/3" for an entry in
// the current directory or as its device path; "" before the first call and for COM0.
const char* ComPortName();
// Why the last ComInitialise failed ("No such file or directory", "in use by another
// program"); "" when it succeeded.
const char* ComFailureReason();
// How the line went away under the job, once the port has seen it: "the device was removed
// (read: end of file)" when the device node is gone (a USB adapter pulled), "the line hung
// up (...)" when it is still there; "" while the line has not failed.
const char* ComLineLost();
