#pragma once
#include <cstddef>
#include <cstdio>

// The names a port number has, as the driver opens the port: pure, so that a host tool can
// say which device a run will use without opening it. COM0 does not exist.

// "COMn": the port's name, and on POSIX the name of an entry of the driver's folder (a link
// to the device) that the driver opens when the folder has one.
inline void ComEntryName(int number, char* name, std::size_t size) {
    std::snprintf(name, size, "COM%d", number);
}

// POSIX: the built-in serial port the driver opens for COMn when its folder has no entry of
// that name: /dev/ttyS<n-1>.
inline void BuiltInComDevice(int number, char* path, std::size_t size) {
    std::snprintf(path, size, "/dev/ttyS%d", number - 1);
}

// Windows: the device-namespace name the driver opens, the only one that reaches COM10 and up.
inline void ComDeviceName(int number, char* name, std::size_t size) {
    std::snprintf(name, size, "\\\\.\\COM%d", number);
}
